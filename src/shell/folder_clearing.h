#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

#include <sys/types.h>

namespace lumora {

// The folder a clearing setting of the preferences names. The stored default
// (a folder of the platform the program was written for, such as
// "c:\windows\recent") means the program's own folder ownName below
// $XDG_DATA_HOME/lumora/, made when missing, cleared without asking; any
// other setting must be an absolute path to an existing folder. An empty path:
// nothing to list.
struct ClearableFolder {
    QString path;
    bool own = false;
};
ClearableFolder clearableFolder(const QString& setting, const QString& storedDefault,
                                const QString& ownName);

// Whether a clearing must refuse the folder whatever the user says: "/", the
// home folder, the XDG base folders and the XDG user folders (compared also
// with every link resolved).
bool protectedFolder(const QString& folder);

// Removes the names that were listed at the start from one folder, a few at a
// time. The folder is held open from the start (a link to a folder is not
// followed); each name goes by unlinkat() in it only while it is still the
// regular file or symbolic link it was at the start, so a link goes and never
// what it points to, a folder never goes, and a name that now names
// something else is skipped.
class FolderClearing {
public:
    FolderClearing() = default;
    ~FolderClearing();
    FolderClearing(const FolderClearing&) = delete;
    FolderClearing& operator=(const FolderClearing&) = delete;

    // False when the folder cannot be opened as a folder of its own.
    bool start(const QString& folder, const QStringList& names);
    // Removes names until budget has passed, at least one; false once every
    // name was handled.
    bool step(std::chrono::nanoseconds budget);
    void stop();

    bool running() const { return fd_ >= 0; }
    int position() const { return int(next_); }
    int count() const { return int(entries_.size()); }
    int removed() const { return removed_; }

private:
    struct Entry {
        QByteArray name;
        dev_t device = 0;
        ino_t inode = 0;
        bool removable = false;  // a regular file or a link when the clearing started
    };

    int fd_ = -1;
    std::vector<Entry> entries_;
    size_t next_ = 0;
    int removed_ = 0;
};

}  // namespace lumora

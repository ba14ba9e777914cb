#pragma once

#include "base/file_name.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace lumora {

enum class EntryKind : unsigned char { File, Directory, Other };

struct DirEntry {
    QByteArray name;
    EntryKind kind = EntryKind::File;  // of the link's target for a symbolic link
    bool readOnly = false;             // only filled in with ReadOnlyFlags
};

enum DirReadFlags : unsigned {
    NoDirReadFlags = 0,
    ReadOnlyFlags = 1,  // ask for write access of every entry (one call per entry)
};

// One entry as the folder is read: the name lives until the visit returns.
struct DirEntryView {
    std::string_view name;
    EntryKind kind = EntryKind::File;
    bool readOnly = false;
};

// Visits the entries of a folder, "." and ".." left out, in the file system's
// order, reading each name once and its kind from the directory entry (a
// stat only for links and where the file system gives no type); false when
// the folder cannot be read. Paths longer than PATH_MAX work.
bool visitDirectory(const QString& path, unsigned flags,
                    const std::function<void(const DirEntryView&)>& visit);

// The same entries collected.
std::optional<std::vector<DirEntry>> readDirectory(const QString& path,
                                                   unsigned flags = NoDirReadFlags);

struct SubfolderEntry {
    QString name;
    bool hasSubfolders = false;
};

// The folders in a folder (hidden ones and links to folders included), each with
// whether it holds a folder itself; nullopt when the folder cannot be read. With
// probe false every entry is assumed to hold folders (slow or remote file systems).
std::optional<std::vector<SubfolderEntry>> readSubfolders(const QString& path, bool probe = true);

// Whether the folder holds at least one folder.
bool hasSubfolders(const QString& path);

// Opens a folder for reading (O_DIRECTORY), walking it component by component
// when the path is too long for one call; -1 on failure. The caller closes it.
int openDirectory(const QString& path);

// chdir() that also takes paths longer than PATH_MAX.
bool setCurrentDirectory(const QString& path);
QString currentDirectory();

}  // namespace lumora

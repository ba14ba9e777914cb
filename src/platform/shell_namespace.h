#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

namespace lumora {

// What a node of the shell namespace is; the widget layer picks its icon by it.
enum class ShellKind { Desktop, RecycleBin, Network, Computer, Drive, NetworkShare, Folder };

struct ShellItem {
    ShellKind kind = ShellKind::Folder;
    QString displayName;   // shown to the user
    QString parsingName;   // file-system path; empty for items without one
    QString inFolderName;  // the item's name within its parent
    bool hasSubfolders = false;
    bool removable = false;  // drives on removable media
};

// The namespace the folder tree shows: the desktop at the root with the trash,
// the network and "Computer" below it; the drives below "Computer".
class ShellNamespace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ShellNamespace() override = default;

    virtual ShellItem desktop() = 0;
    virtual ShellItem recycleBin() = 0;
    virtual ShellItem network() = 0;
    virtual ShellItem computer() = 0;

    // The folders below an item, hidden ones included, in the namespace's own
    // order (for "Computer": "/" first). nullopt when they cannot be listed.
    virtual std::optional<std::vector<ShellItem>> folders(const ShellItem& parent) = 0;

    // The drive mounted at a mount point as it is now; nullopt when nothing is
    // mounted there any more.
    virtual std::optional<ShellItem> drive(const QString& mountPoint) = 0;

    // Removable drive: a number naming the medium in it (its file system's
    // serial or UUID), -1 when no medium can be read. Any other drive: 1.
    virtual qint64 mediumStamp(const ShellItem& drive) = 0;

signals:
    // Drives or network shares came or went, or a medium changed.
    void devicesChanged();
};

// A folder item below a file-system folder.
ShellItem folderItem(const QString& parentPath, const QString& name, bool hasSubfolders);
// The folders of a file-system folder as items (shared by every implementation).
std::optional<std::vector<ShellItem>> fileSystemFolders(const QString& path, bool probe = true);

// Whether mount point `prefix` contains `path` ("/home" holds "/home/a", not "/homes").
bool pathIsUnder(const QString& path, const QString& prefix);

// The namespace of this desktop (the Linux one unless a test set another).
ShellNamespace& shellNamespace();
// Replaces the namespace for tests; nullptr brings back the real one.
void setShellNamespace(ShellNamespace* replacement);

}  // namespace lumora

#include "support/fake_shell_namespace.h"

namespace lumora::test {

namespace {
ShellItem virtualItem(ShellKind kind, const char* name, bool hasSubfolders) {
    ShellItem item;
    item.kind = kind;
    item.displayName = item.inFolderName = QString::fromLatin1(name);
    item.hasSubfolders = hasSubfolders;
    return item;
}
}  // namespace

ShellItem FakeShellNamespace::desktop() {
    ShellItem item = virtualItem(ShellKind::Desktop, "Desktop", true);
    item.parsingName = desktopPath;
    return item;
}

ShellItem FakeShellNamespace::recycleBin() {
    return virtualItem(ShellKind::RecycleBin, "Trash", false);
}

ShellItem FakeShellNamespace::network() {
    return virtualItem(ShellKind::Network, "Network", true);
}

ShellItem FakeShellNamespace::computer() {
    return virtualItem(ShellKind::Computer, "Computer", true);
}

ShellItem FakeShellNamespace::driveItem(const Drive& drive) const {
    ShellItem item;
    item.kind = ShellKind::Drive;
    item.parsingName = item.inFolderName = drive.mountPoint;
    item.displayName = drive.label.isEmpty() ? drive.mountPoint : drive.label;
    item.removable = drive.removable;
    item.hasSubfolders = true;
    return item;
}

std::optional<std::vector<ShellItem>> FakeShellNamespace::folders(const ShellItem& parent) {
    std::vector<ShellItem> items;
    switch (parent.kind) {
        case ShellKind::Desktop:
            return std::vector<ShellItem>{recycleBin(), network(), computer()};
        case ShellKind::RecycleBin:
            return items;
        case ShellKind::Computer:
            for (const Drive& drive : drives)
                items.push_back(driveItem(drive));
            return items;
        case ShellKind::Network:
            for (const QString& share : shares) {
                ShellItem item;
                item.kind = ShellKind::NetworkShare;
                item.parsingName = item.inFolderName = item.displayName = share;
                item.hasSubfolders = true;
                items.push_back(item);
            }
            return items;
        case ShellKind::Drive:
        case ShellKind::NetworkShare:
        case ShellKind::Folder:
            ++folderCalls;
            if (parent.kind == ShellKind::Drive && mediumStamp(parent) == -1)
                return std::nullopt;
            return fileSystemFolders(parent.parsingName);
    }
    return std::nullopt;
}

std::optional<ShellItem> FakeShellNamespace::drive(const QString& mountPoint) {
    for (const Drive& drive : drives)
        if (drive.mountPoint == mountPoint)
            return driveItem(drive);
    return std::nullopt;
}

qint64 FakeShellNamespace::mediumStamp(const ShellItem& item) {
    for (const Drive& drive : drives)
        if (drive.mountPoint == item.parsingName)
            return drive.removable ? drive.stamp : 1;
    return -1;
}

}  // namespace lumora::test

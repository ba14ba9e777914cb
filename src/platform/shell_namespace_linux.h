#pragma once

#include "platform/mount_watch.h"
#include "platform/shell_namespace.h"

#include <QStandardPaths>

namespace lumora {

// How a mount-table line shows in the namespace.
enum class MountRole { Hidden, Drive, NetworkShare };
MountRole mountRole(const MountEntry& entry);

// The drives and network shares of a mount table: "/" first, then by mount
// point; of several mounts on one point only the last (the visible one) counts.
struct MountLists {
    std::vector<MountEntry> drives;
    std::vector<MountEntry> shares;
};
MountLists classifyMounts(const std::vector<MountEntry>& table);

// An XDG user folder: the variable (XDG_DESKTOP_DIR ...) when set, else what
// user-dirs.dirs or the default names.
QString xdgUserFolder(const char* variable, QStandardPaths::StandardLocation location);

// The namespace of a Linux desktop: the XDG desktop folder, the XDG trash, the
// network mounts and the mounted file systems that hold user data.
class LinuxShellNamespace final : public ShellNamespace {
    Q_OBJECT
public:
    explicit LinuxShellNamespace(QObject* parent = nullptr);

    ShellItem desktop() override;
    ShellItem recycleBin() override;
    ShellItem network() override;
    ShellItem computer() override;
    std::optional<std::vector<ShellItem>> folders(const ShellItem& parent) override;
    std::optional<ShellItem> drive(const QString& mountPoint) override;
    qint64 mediumStamp(const ShellItem& drive) override;

    static QString desktopPath();

private:
    ShellItem driveItem(const MountEntry& entry) const;
    ShellItem shareItem(const MountEntry& entry) const;
    bool onNetwork(const QString& path) const;

    MountWatch* watch_;
};

}  // namespace lumora

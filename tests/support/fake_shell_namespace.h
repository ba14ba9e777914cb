#pragma once

#include "platform/shell_namespace.h"

#include <QString>
#include <vector>

namespace lumora::test {

// A namespace whose desktop, drives and shares a test sets; the folders of a
// drive, share or folder are the real ones below its path (temporary folders).
class FakeShellNamespace final : public ShellNamespace {
    Q_OBJECT
public:
    struct Drive {
        QString mountPoint;
        QString label;  // shown instead of the mount point when set
        bool removable = false;
        qint64 stamp = 1;  // medium stamp of a removable drive (-1: no medium)
    };

    QString desktopPath;
    std::vector<Drive> drives;
    std::vector<QString> shares;  // network mount points
    int folderCalls = 0;          // folders() asked for a file-system folder

    // Tells the tree that the mount table changed.
    void changeDevices() { emit devicesChanged(); }

    ShellItem desktop() override;
    ShellItem recycleBin() override;
    ShellItem network() override;
    ShellItem computer() override;
    std::optional<std::vector<ShellItem>> folders(const ShellItem& parent) override;
    std::optional<ShellItem> drive(const QString& mountPoint) override;
    qint64 mediumStamp(const ShellItem& drive) override;

private:
    ShellItem driveItem(const Drive& drive) const;
};

}  // namespace lumora::test

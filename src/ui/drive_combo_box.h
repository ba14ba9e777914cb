#pragma once

#include <QComboBox>
#include <QString>

namespace lumora {

class ShellNamespace;

// The drives that "Computer" lists in the folder tree, one per mount point.
// Follows the mounts as they come and go.
class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget* parent = nullptr, ShellNamespace* shell = nullptr);

    // Mount point of the chosen drive; empty when none is chosen.
    QString Drive() const;
    // Chooses the drive mounted there without reporting Change; nothing is
    // chosen when no listed drive has that mount point.
    void setDrive(const QString& mountPoint);
    // The mount point of the listed drive that holds the folder ("/" holds
    // every folder of the root file system); empty when no listed drive does.
    QString driveOf(const QString& folder) const;

    // Reads the drives again, keeping the chosen one while it is mounted.
    void Update();

signals:
    // The user chose a drive.
    void Change();

private:
    ShellNamespace* shell_;
};

}  // namespace lumora

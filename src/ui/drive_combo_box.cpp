#include "ui/drive_combo_box.h"

#include "platform/shell_namespace.h"
#include "ui/toolbar_glyphs.h"

#include <QStyle>

namespace lumora {

TDriveComboBox::TDriveComboBox(QWidget* parent, ShellNamespace* shell)
    : QComboBox(parent), shell_(shell ? shell : &shellNamespace()) {
    setAccessibleName(QStringLiteral("Drive"));
    Update();
    connect(this, &QComboBox::activated, this, &TDriveComboBox::Change);
    connect(shell_, &ShellNamespace::devicesChanged, this, &TDriveComboBox::Update);
}

QString TDriveComboBox::Drive() const {
    return currentData().toString();
}

void TDriveComboBox::setDrive(const QString& mountPoint) {
    setCurrentIndex(findData(mountPoint));
}

QString TDriveComboBox::driveOf(const QString& folder) const {
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString mountPoint = itemData(i).toString();
        if (pathIsUnder(folder, mountPoint) && mountPoint.size() > best.size())
            best = mountPoint;
    }
    return best;
}

void TDriveComboBox::Update() {
    const QString chosen = Drive();
    clear();
    const auto drives = shell_->folders(shell_->computer());
    if (drives) {
        for (const ShellItem& drive : *drives) {
            const QIcon icon =
                styleIcon(drive.removable ? QStyle::SP_DriveFDIcon : QStyle::SP_DriveHDIcon);
            // A label alone would not say where the drive is.
            const QString text =
                drive.displayName == drive.parsingName
                    ? drive.parsingName
                    : drive.displayName + QStringLiteral(" (") + drive.parsingName + u')';
            addItem(icon, text, drive.parsingName);
        }
    }
    setDrive(chosen);
}

}  // namespace lumora

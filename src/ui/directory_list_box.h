#pragma once

#include "platform/dir_watch.h"

#include <QListWidget>
#include <QString>

namespace lumora {

class TDriveComboBox;

// The folders of one drive: the path from the drive's mount point down to the
// current folder, each shown open and indented one step further, then the
// current folder's own folders. Double-click or Enter opens a folder.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    // Lists from the mount point of the drive that holds the folder, and keeps
    // that drive chosen in the combo; without a combo from "/".
    explicit TDirectoryListBox(TDriveComboBox* drives = nullptr, QWidget* parent = nullptr);

    QString Directory() const { return directory_; }
    // Lists that folder and reports Change when it is another one. A folder
    // that cannot be read, or is gone, shows no folders of its own.
    void setDirectory(const QString& directory);

    // Reads the current folder's folders again.
    void Update();
    // Lists the drive chosen in its combo, from the drive's mount point;
    // nothing happens while no drive is chosen.
    void showChosenDrive();

    // While on, the list reads the current folder's folders again whenever
    // one of them is created, deleted or renamed.
    void setFollowChanges(bool follow);

signals:
    // The current folder changed.
    void Change();

private:
    QString rootOf(const QString& folder) const;

    TDriveComboBox* drives_;
    QString directory_;
    FolderWatcher watcher_;
};

}  // namespace lumora

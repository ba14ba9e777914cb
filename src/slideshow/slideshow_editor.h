#pragma once

#include "platform/dialogs.h"
#include "settings/favorite_folders.h"
#include "ui/form.h"

#include <QStringList>
#include <array>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TImage;
class TListBox;

// The slideshow editor: pictures picked from a folder make the slide list,
// which is saved, opened and played.
class TForm7 : public TDialogForm {
    Q_OBJECT
public:
    TForm7();

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    QToolButton* favorites;
    QMenu* PopupMenu1;              // the favourite folders
    FavoriteItems favoriteItems{};  // f1 .. f20
    QLabel* Label2;                 // files found
    QFrame* Panel1;
    TImage* Image1;  // the preview
    QPushButton* soundbutton;
    TListBox* ListBox1;             // the slide list
    QLabel* Label1;                 // items and total time
    QLabel* Label3;                 // the red warning
    QPushButton* Button1;           // New
    QPushButton* Button2;           // Open
    QPushButton* Button3;           // Save
    QPushButton* Button4;           // Add
    QPushButton* Button5;           // Remove
    QPushButton* Button6;           // Remove All
    QPushButton* Button7;           // Close
    QPushButton* Button8;           // Move Up
    QPushButton* Button9;           // Move Down
    QPushButton* Button10;          // Add All
    QPushButton* Button11;          // Play
    QLineEdit* Edit1;               // the entry last clicked; hidden
    QTimer* Timer1;                 // the refresh
    QTimer* addalltimer;            // one step of Add All a tick
    FileDialogOptions OpenDialog1;  // its file name is the current file name
    FileDialogOptions SaveDialog1;

    // The hint of the main window's Favorites button (its language text),
    // connected by the program; the drop-down shows the same.
    std::function<QString()> favoritesHint;

    bool addingAll() const;

    void FormCreate() override;

public slots:
    void Timer1Timer();
    void addalltimerTimer();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void FileListBox1Click();
    void FileListBox1DblClick();
    void ListBox1Click();
    void Button1Click();   // New
    void Button2Click();   // Open
    void Button3Click();   // Save
    void Button11Click();  // Play
    void Button4Click();   // Add
    void Button10Click();  // Add All
    void Button5Click();   // Remove
    void Button6Click();   // Remove All
    void Button8Click();   // Move Up
    void Button9Click();   // Move Down
    void Button7Click();   // Close
    void soundbuttonClick();
    // Favourite folder entry k (0-based).
    void favoriteClick(int k);
    // Dropped files, in drop order.
    void FilesDropped(const QStringList& paths);

protected:
    void FormShow() override;
    void FormActivate() override;
    void hideEvent(QHideEvent* event) override;
    // A window manager gives the window a close box and Alt+F4: they leave
    // it as Close does, history entry included.
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void preview(const QString& path);
    void moveSelectedEntry(int step);
    void stopAddAll();

    // The paths Add All appends, taken when it started, and the next one.
    QStringList addAllPaths_;
    qsizetype addAllNext_ = 0;
};

}  // namespace lumora

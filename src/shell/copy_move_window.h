#pragma once

#include "settings/favorite_folders.h"
#include "ui/form.h"

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

namespace lumora {

class TCopyFile;

// The copy/move dialog: the destination folder of the selected file, typed,
// browsed or picked from the favourite folders. Its caption, "Copy" or
// "Move", says which.
class TForm3 : public TDialogForm {
    Q_OBJECT
public:
    TForm3();

    QLabel* Label1;
    QLineEdit* original;
    QLabel* Label2;
    QLineEdit* destination;
    QToolButton* destinationBrowse;  // the browse button of the destination box
    QToolButton* favorites;
    QMenu* PopupMenu1;
    FavoriteItems favoriteItems{};  // f1 .. f20
    QLabel* Label3;
    QPushButton* Button1;  // OK
    QPushButton* Button2;  // Cancel
    TCopyFile* CopyFile1;
    QTimer* Timer1;

    // Handed over by the main window as it opens the dialog: the selected
    // file, the folder the browser shows (typed relative destinations start
    // there) and the hint of its Favorites button.
    QString SelectedFile;
    QString BrowserFolder;
    QString FavoritesHint;

signals:
    // A copy or move ran: the browser's file list is to be read again.
    void filesChanged();

public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();
    void destinationBrowseClick();

protected:
    void FormShow() override;
};

}  // namespace lumora

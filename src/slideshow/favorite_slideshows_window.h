#pragma once

#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TFormStorage;
class TListBox;

// The list of favourite slideshow files, which the open-slideshow dialog
// offers for playing.
class TForm20 : public TDialogForm {
    Q_OBJECT
public:
    TForm20();

    QLabel* Label1;
    TListBox* TextListBox1;  // the favourites
    QLineEdit* Edit1;        // the selected favourite; hidden beneath the list
    QToolButton* add;
    QToolButton* remove;
    QToolButton* moveup;
    QToolButton* movedown;
    TDriveComboBox* DriveComboBox1;
    QLabel* Label3;  // the folder listed
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    QLabel* Label2;        // the count
    QPushButton* BitBtn1;  // OK
    QTimer* Timer1;
    TFormStorage* FormStorage1;

    void FormCreate() override;

public slots:
    void Timer1Timer();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void FileListBox1DblClick();
    void TextListBox1Click();
    void addClick();
    void removeClick();
    void moveupClick();
    void movedownClick();
    void BitBtn1Click();

protected:
    void FormShow() override;

private:
    void buildControls();
    // Moves the favourite at the list's selection; the selection stays.
    void moveSelectedFavorite(int step, const QString& historyText);
};

}  // namespace lumora

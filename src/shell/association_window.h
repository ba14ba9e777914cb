#pragma once

#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TFormStorage;
class TIconListBox;

// "Association": registers slideshow files with the program, with an icon
// picked from a file and the program picked on a second page.
class TForm17 : public TDialogForm {
    Q_OBJECT
public:
    TForm17();

    // The main browser's folder, where both folder lists start.
    QString BrowserFolder;

    // Registers the extension as the type with the program, in the class keys
    // and with the desktop, and says so; an empty extension or program does
    // nothing.
    void Associate(QString extension, QString typeName, const QString& description,
                   const QString& icon, const QString& program);

    QLineEdit* Edit1;  // extension
    QLineEdit* Edit2;  // type name ("Reg-Key")
    QLineEdit* Edit3;  // description
    QLineEdit* Edit4;  // icon: file + "," + number
    QLineEdit* Edit5;  // program
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label7;
    QPushButton* BitBtn1;  // Associate
    QPushButton* BitBtn2;  // Cancel
    QTabWidget* TabbedNotebook1;
    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    TIconListBox* IconListBox1;
    TDriveComboBox* DriveComboBox2;
    TDirectoryListBox* DirectoryListBox2;
    TFileListBox* FileListBox2;
    QTimer* Timer1;
    TFormStorage* FormStorage1;

public slots:
    void Timer1Timer();
    void BitBtn1Click();
    void BitBtn2Click();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void DriveComboBox2Change();
    void DirectoryListBox2Change();

protected:
    void FormShow() override;
    void FormActivate() override;

private:
    QWidget* buildIconPage();
    QWidget* buildProgramPage();

    bool activatedSinceShow_ = false;
};

}  // namespace lumora

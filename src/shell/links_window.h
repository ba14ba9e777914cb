#pragma once

#include "shell/folder_clearing.h"
#include "ui/form.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileDrag;
class TFileListBox;
class TPBShellLink;
class TTabbedNotebook;

// "Links": shortcuts browsed, read into fields, written back, given an icon
// and deleted on the "Edit/View" page; the recent documents and the cookies
// listed and cleared on the "System" page.
class TForm13 : public TDialogForm {
    Q_OBJECT
public:
    TForm13();

    TTabbedNotebook* TabbedNotebook1;

    // Edit/View
    QLabel* Label1;
    QLineEdit* Edit5;  // File Name
    QLabel* Label2;
    QLineEdit* Edit1;  // Description
    QLabel* Label3;
    QLineEdit* Edit2;  // Working Dir
    QLabel* Label4;
    QLineEdit* Edit3;  // Target
    QLabel* Label5;
    QLineEdit* Edit4;  // Arguments
    QLabel* Label6;
    QComboBox* ComboBox1;  // Window State
    QLabel* Label7;
    QKeySequenceEdit* HotKey1;
    QLabel* Label8;
    QLineEdit* Edit6;  // Icon File
    QLabel* Label9;
    QLineEdit* Edit7;  // Icon Index
    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox2;
    QPushButton* Button1;  // Read
    QPushButton* Button2;  // Write
    QPushButton* Button4;  // Icon
    QPushButton* Button3;  // Delete

    // System
    QLabel* Label11;
    TFileListBox* FileListBox1;  // recent documents
    QLabel* Label13;
    QPushButton* Office97Button1;
    QLabel* Label12;
    TFileListBox* FileListBox3;  // cookies
    QLabel* Label14;
    QPushButton* Office97Button2;
    QFrame* Panel1;
    QLabel* Label15;
    QGroupBox* GroupBox1;
    QProgressBar* ProgressBar1;
    QPushButton* Office97Button3;

    QLabel* Label10;
    QPushButton* Button5;  // Close
    TPBShellLink* PBShellLink1;
    TPBShellLink* PBShellLink2;
    TFileDrag* FileDrag1;
    QTimer* Timer1;
    QTimer* Timer2;  // clears the recent documents
    QTimer* Timer3;  // clears the cookies

    // Handed over by the main window as it opens the window: the folder its
    // browser lists.
    QString BrowserFolder;

    void FormCreate() override;

public slots:
    void Timer1Timer();
    void Edit5Change();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void FileListBox2Click();
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button3Click();
    void FileDrag1Drop();
    void FileListBox1Click();
    void Office97Button1Click();
    void Timer2Timer();
    void Office97Button2Click();
    void Timer3Timer();
    void Office97Button3Click();
    void Button5Click();

protected:
    void FormShow() override;
    void FormCloseQuery(bool& canClose) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildEditPage();
    QWidget* buildSystemPage();
    // Lists a clearing folder's files; lists nothing without a folder.
    static void listFolder(TFileListBox* list, const QString& folder);
    // Starts clearing what list shows, after the checks and the question a
    // folder of the user's own choice needs.
    void startClearing(TFileListBox* list, const ClearableFolder& folder, FolderClearing& clearing,
                       QTimer* timer);
    void clearingTick(TFileListBox* list, FolderClearing& clearing, QTimer* timer);
    void loadShortcut(const QString& path);

    ClearableFolder documentsFolder_;
    ClearableFolder cookiesFolder_;
    FolderClearing documentsClearing_;
    FolderClearing cookiesClearing_;
};

}  // namespace lumora

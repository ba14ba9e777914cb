#pragma once

#include "ui/form.h"

class QLabel;
class QPushButton;
class QTimer;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TListBox;

// Opens a slideshow file or a favourite slideshow and plays it.
class TForm9 : public TDialogForm {
    Q_OBJECT
public:
    TForm9();

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    TListBox* ListBox1;    // the preview list: the slideshow last read
    QLabel* Label1;        // items and total time
    QLabel* Label3;        // the red warning
    QPushButton* Button1;  // Open
    QPushButton* Button2;  // Close (cancel)
    QPushButton* Button3;  // More >>> / <<< Less
    QPushButton* BitBtn1;  // Sound
    QLabel* Label2;
    TListBox* TextListBox1;  // a copy of the favourite slideshows
    QLabel* Label4;
    QTimer* Timer1;

    // Client widths, narrow and widened ("More >>>"), the outer widths less
    // the design's 8-pixel border.
    static constexpr int kNarrowWidth = 402;
    static constexpr int kWideWidth = 681;
    static constexpr int kHeight = 297;

public slots:
    void Timer1Timer();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void FileListBox1Click();
    void TextListBox1Click();
    void TextListBox1DblClick();
    void Button1Click();  // Open
    void Button2Click();  // Cancel
    void Button3Click();  // More/Less
    void BitBtn1Click();  // Sound

protected:
    void FormShow() override;
    void FormActivate() override;

private:
    void buildControls();
    // Reads a slideshow file into the preview list and names it in the
    // caption; a file that cannot be read leaves both as they were.
    void preview(const QString& path);
    void play();

    bool freshlyShown_ = false;
};

}  // namespace lumora

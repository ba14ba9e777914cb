#include "slideshow/open_slideshow_dialog.h"

#include "settings/preferences_window.h"
#include "slideshow/favorite_slideshows_window.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slide_totals.h"
#include "slideshow/slideshow_player.h"
#include "slideshow/slideshow_sounds_window.h"
#include "ui/controls.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/list_box.h"
#include "ui/toolbar_glyphs.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace lumora {
namespace {

constexpr int kCancelCaptionLine = 138;  // of the language list

const QString kMore = QStringLiteral("More >>>");
const QString kLess = QStringLiteral("<<< Less");

}  // namespace

TForm9::TForm9() {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Open Slideshow"));
    setDesignClientSize(kNarrowWidth, kHeight);
    buildControls();

    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm9::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm9::DirectoryListBox1Change);
    connectHandler(FileListBox1, &TFileListBox::Click, this, &TForm9::FileListBox1Click);
    connectHandler(FileListBox1, &TFileListBox::doubleClicked, this, &TForm9::Button1Click);
    // "Open" follows the selection however it moved.
    connectHandler(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   &TForm9::Timer1Timer);
    connectHandler(TextListBox1, &TListBox::Click, this, &TForm9::TextListBox1Click);
    connectHandler(TextListBox1, &TListBox::DblClick, this, &TForm9::TextListBox1DblClick);
    struct Command {
        const char* name;
        void (TForm9::*handler)();
    };
    static constexpr Command kCommands[] = {
        {"Button1", &TForm9::Button1Click},
        {"Button2", &TForm9::Button2Click},
        {"Button3", &TForm9::Button3Click},
        {"BitBtn1", &TForm9::BitBtn1Click},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });

    DirectoryListBox1->setDirectory(FileListBox1->Directory());
}

void TForm9::buildControls() {
    DriveComboBox1 = named(new TDriveComboBox(this), "DriveComboBox1");
    DriveComboBox1->setGeometry(8, 8, 185, 22);
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, this), "DirectoryListBox1");
    DirectoryListBox1->setGeometry(8, 34, 185, 104);
    FileListBox1 = named(new TFileListBox(this), "FileListBox1");
    FileListBox1->setFileType(TFileListBox::ftNormal);
    FileListBox1->setMask(QStringLiteral("*.lss"));
    FileListBox1->setAccessibleName(QStringLiteral("Slideshow files"));
    FileListBox1->setGeometry(8, 142, 185, 98);

    ListBox1 = named(new TListBox(this), "ListBox1");
    ListBox1->setAccessibleName(QStringLiteral("Slides"));
    ListBox1->setGeometry(201, 8, 193, 164);

    auto button = [this](const char* name, const QString& caption, int x, int y) {
        auto* made = named(new QPushButton(caption, this), name);
        made->setGeometry(x, y, 94, 25);
        // Enter in a list must not press whichever button had the focus last.
        made->setAutoDefault(false);
        return made;
    };
    Button1 = button("Button1", QStringLiteral("Open"), 201, 180);
    Button1->setIcon(styleIcon(QStyle::SP_DialogOpenButton));
    Button2 = button("Button2", QStringLiteral("Close"), 300, 180);
    setCancelButton(Button2);
    Button2->setIcon(styleIcon(QStyle::SP_DialogCancelButton));
    Button3 = button("Button3", kMore, 201, 210);
    BitBtn1 = button("BitBtn1", QStringLiteral("Sound"), 300, 210);
    BitBtn1->setIcon(styleIcon(QStyle::SP_MediaVolume));

    Label1 = named(new QLabel(this), "Label1");
    Label1->setGeometry(8, 244, 386, 18);
    Label3 = named(new QLabel(QStringLiteral("Make sure that the drive is valid and that the "
                                             "required disc is inserted or the program will crash"),
                              this),
                   "Label3");
    Label3->setWordWrap(true);
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label3->setPalette(red);
    Label3->setGeometry(8, 262, 386, 32);

    // The widened part, beyond the narrow window's right edge.
    Label2 = named(new QLabel(QStringLiteral("Stored Slideshows :"), this), "Label2");
    Label2->setGeometry(410, 8, 263, 16);
    TextListBox1 = named(new TListBox(this), "TextListBox1");
    TextListBox1->setAccessibleName(QStringLiteral("Stored Slideshows"));
    TextListBox1->setGeometry(410, 26, 263, 190);
    Label4 =
        named(new QLabel(QStringLiteral("Doubleclick on a stored slideshow to open it, but make "
                                        "sure that the drive is valid and that all files are "
                                        "present in the needed directory."),
                         this),
              "Label4");
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setGeometry(410, 222, 263, 70);
}

void TForm9::FormShow() {
    Button2->setText(forms().Form4->Memo2->Lines().value(kCancelCaptionLine));
    centreOnScreen(this);
    freshlyShown_ = true;
}

void TForm9::FormActivate() {
    // Emptied as the dialog opens, not when it comes back from its own sound
    // setup: Open would play nothing while the selected file is named above.
    if (std::exchange(freshlyShown_, false))
        ListBox1->clear();
    TextListBox1->setItems(forms().Form20->TextListBox1->Items());
}

void TForm9::Timer1Timer() {
    Button1->setEnabled(!FileListBox1->FileName().isEmpty());
    Label1->setText(slideTotalsText(ListBox1->count()));
}

void TForm9::DriveComboBox1Change() {
    DirectoryListBox1->showChosenDrive();
}

void TForm9::DirectoryListBox1Change() {
    FileListBox1->setDirectory(DirectoryListBox1->Directory());
    Timer1Timer();
}

void TForm9::preview(const QString& path) {
    ListBox1->setItems(readPathList(path));
    setWindowTitle(QStringLiteral("Open Slideshow - [ ") + path + QStringLiteral(" ]"));
    Timer1Timer();
}

void TForm9::FileListBox1Click() {
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty())
        preview(path);
}

void TForm9::TextListBox1Click() {
    if (const QListWidgetItem* favorite = TextListBox1->currentItem())
        preview(favorite->text());
}

void TForm9::TextListBox1DblClick() {
    const QListWidgetItem* favorite = TextListBox1->currentItem();
    if (!favorite)
        return;
    preview(favorite->text());
    play();
}

void TForm9::play() {
    const QStringList slides = ListBox1->Items();
    forms().Form8->Start(&slides);
    Close();
}

void TForm9::Button1Click() {
    AddHistoryEntry(QStringLiteral("Pressed Open Slideshow,"));
    play();
}

void TForm9::Button2Click() {
    AddHistoryEntry(QStringLiteral("Pressed Cancelled Launch Slideshow,"));
    Close();
}

void TForm9::Button3Click() {
    AddHistoryEntry(QStringLiteral("Pressed More Options For Open Slideshow,"));
    const bool widen = Button3->text() == kMore;
    Button3->setText(widen ? kLess : kMore);
    // The left edge stays where it is.
    const int left = x();
    setDesignClientSize(widen ? kWideWidth : kNarrowWidth, kHeight);
    move(left, y());
}

void TForm9::BitBtn1Click() {
    forms().Form22->ShowModal();
}

}  // namespace lumora

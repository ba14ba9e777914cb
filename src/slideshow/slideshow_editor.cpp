#include "slideshow/slideshow_editor.h"

#include "settings/favorite_folders.h"
#include "ui/user_caption.h"

#include "base/file_name.h"
#include "nviewlib/nviewlib.h"
#include "settings/preferences_window.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slide_totals.h"
#include "slideshow/slideshow_player.h"
#include "slideshow/slideshow_sounds_window.h"
#include "ui/controls.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/list_box.h"
#include "ui/picture_view.h"
#include "ui/toolbar_glyphs.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace lumora {
namespace {

constexpr int kCaptionLine = 126;   // of the language list
constexpr int kFavoriteIndex = 12;  // the toolbar's favourites glyph

// A tick of Add All appends for about half the 16 ms interval, a few dozen
// files at a time, so the window keeps answering and 1,000 files take a tick
// or two instead of one tick each.
constexpr qint64 kAddAllSliceNs = 8'000'000;
constexpr qsizetype kAddAllChunk = 64;

// The path a dropped URL names. Its bytes come percent-encoded, so a name
// that is not UTF-8 keeps them; other URLs keep their text and are refused.
QString droppedPath(const QUrl& url) {
    if (!url.isLocalFile())
        return url.toString();
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

}  // namespace

TForm7::TForm7() {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Create/Edit SlideShow"));
    setDesignClientSize(484, 487);
    buildControls();

    OpenDialog1.filter = SaveDialog1.filter = QStringLiteral("Lumora Slideshow (*.lss)|*.lss");
    OpenDialog1.defaultExt = SaveDialog1.defaultExt = QStringLiteral(".lss");
    SaveDialog1.fileName = QStringLiteral("*.lss");

    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm7::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm7::DirectoryListBox1Change);
    connectHandler(FileListBox1, &TFileListBox::Click, this, &TForm7::FileListBox1Click);
    connectHandler(FileListBox1, &TFileListBox::doubleClicked, this, &TForm7::FileListBox1DblClick);
    // "Add" follows the selection however it moved.
    connectHandler(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   &TForm7::Timer1Timer);
    // So does the count when the folder changes under the list.
    connectHandler(FileListBox1->model(), &QAbstractItemModel::modelReset, this,
                   &TForm7::Timer1Timer);
    connectHandler(ListBox1, &TListBox::Click, this, &TForm7::ListBox1Click);
    struct Command {
        const char* name;
        void (TForm7::*handler)();
    };
    static constexpr Command kCommands[] = {
        {"Button1", &TForm7::Button1Click}, {"Button2", &TForm7::Button2Click},
        {"Button3", &TForm7::Button3Click}, {"Button11", &TForm7::Button11Click},
        {"Button4", &TForm7::Button4Click}, {"Button10", &TForm7::Button10Click},
        {"Button5", &TForm7::Button5Click}, {"Button6", &TForm7::Button6Click},
        {"Button8", &TForm7::Button8Click}, {"Button9", &TForm7::Button9Click},
        {"Button7", &TForm7::Button7Click}, {"soundbutton", &TForm7::soundbuttonClick},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);
    for (int k = 0; k < int(favoriteItems.size()); ++k)
        connectCommand(this, qPrintable(favoriteItems[size_t(k)]->objectName()),
                       [this, k] { favoriteClick(k); });

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(16);
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
    addalltimer = named(new QTimer(this), "addalltimer");
    addalltimer->setInterval(16);
    connectHandler(addalltimer, &QTimer::timeout, this, &TForm7::addalltimerTimer);

    DirectoryListBox1->setDirectory(FileListBox1->Directory());
}

void TForm7::buildControls() {
    DriveComboBox1 = named(new TDriveComboBox(this), "DriveComboBox1");
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, this), "DirectoryListBox1");
    FileListBox1 = named(new TFileListBox(this), "FileListBox1");
    FileListBox1->setFileType(TFileListBox::ftNormal);
    FileListBox1->setMask(slideshowEditorMask());

    favorites = named(new QToolButton(this), "favorites");
    favorites->setIcon(toolbarGlyph(kFavoriteIndex));
    favorites->setToolTip(QStringLiteral("Favorites"));
    favorites->setAccessibleName(QStringLiteral("Favorites"));
    favorites->setPopupMode(QToolButton::InstantPopup);
    PopupMenu1 = named(new QMenu(favorites), "PopupMenu1");
    favoriteItems = makeFavoriteItems(PopupMenu1, this);
    favorites->setMenu(PopupMenu1);

    Label2 = named(new QLabel(QStringLiteral("0 file(s) found"), this), "Label2");

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Image1 = named(new TImage(Panel1), "Image1");
    Image1->setAccessibleName(QStringLiteral("Preview"));
    Image1->setStretch(true);
    Image1->setGeometry(2, 2, 119, 79);
    Panel1->setFixedSize(123, 83);

    soundbutton = named(new QPushButton(QStringLiteral("Setup Sound"), this), "soundbutton");

    ListBox1 = named(new TListBox(this), "ListBox1");
    ListBox1->setAccessibleName(QStringLiteral("Slides"));
    Label1 = named(new QLabel(this), "Label1");
    Label3 = named(new QLabel(QStringLiteral("Make sure that the drive is valid and that the "
                                             "required disc is inserted or the program will crash"),
                              this),
                   "Label3");
    Label3->setWordWrap(true);
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label3->setPalette(red);

    auto button = [this](const char* name, const char* caption) {
        return named(new QPushButton(QString::fromLatin1(caption), this), name);
    };
    Button1 = button("Button1", "New");
    Button2 = button("Button2", "Open");
    Button3 = button("Button3", "Save");
    Button11 = button("Button11", "Play");
    Button4 = button("Button4", "Add");
    Button10 = button("Button10", "Add All");
    Button5 = button("Button5", "Remove");
    Button6 = button("Button6", "Remove All");
    Button8 = button("Button8", "Move Up");
    Button9 = button("Button9", "Move Down");
    Button7 = button("Button7", "Close");
    // Enter in a list must not press whichever button had the focus last.
    for (QPushButton* each : findChildren<QPushButton*>())
        each->setAutoDefault(false);

    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setAccessibleName(QStringLiteral("Selected slide"));
    Edit1->setVisible(false);

    auto* drive = new QHBoxLayout;
    drive->addWidget(DriveComboBox1, 1);
    drive->addWidget(favorites);
    auto* browse = new QVBoxLayout;
    browse->addLayout(drive);
    browse->addWidget(DirectoryListBox1, 1);
    browse->addWidget(FileListBox1, 1);
    browse->addWidget(Label2);

    auto* commands = new QGridLayout;
    commands->addWidget(Panel1, 0, 0, Qt::AlignCenter);
    commands->addWidget(soundbutton, 0, 1, Qt::AlignBottom);
    QPushButton* const rows[5][2] = {{Button1, Button2},
                                     {Button3, Button11},
                                     {Button4, Button10},
                                     {Button5, Button6},
                                     {Button8, Button9}};
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 2; ++column)
            commands->addWidget(rows[row][column], row + 1, column);
    commands->addWidget(Button7, 6, 1);
    commands->setRowStretch(7, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(browse, 1);
    top->addLayout(commands);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top, 3);
    layout->addWidget(ListBox1, 2);
    layout->addWidget(Label1);
    layout->addWidget(Label3);
}

void TForm7::FormCreate() {
    setAcceptDrops(true);
}

bool TForm7::addingAll() const {
    return addalltimer->isActive();
}

void TForm7::FormShow() {
    centreOnScreen(this);
    // The folder as it is now, and as it changes while the window shows.
    DirectoryListBox1->setFollowChanges(true);
    FileListBox1->setFollowChanges(true);
    DirectoryListBox1->Update();
    FileListBox1->Update();
}

void TForm7::FormActivate() {
    if (favoritesHint) {
        favorites->setToolTip(favoritesHint());
        favorites->setAccessibleName(favorites->toolTip());
    }
    showFavoriteFolders(favoriteItems);
}

void TForm7::Timer1Timer() {
    Label2->setText(QString::number(FileListBox1->Count()) + QStringLiteral(" file(s) found"));
    const qint64 slides = ListBox1->count();
    Button11->setEnabled(slides > 0);
    Button3->setEnabled(slides > 0);
    Label1->setText(slideTotalsText(slides));
    Button4->setEnabled(!FileListBox1->FileName().isEmpty());
    const bool hasEntry = !Edit1->text().isEmpty();
    Button8->setEnabled(hasEntry);
    Button9->setEnabled(hasEntry);
    Button5->setEnabled(hasEntry);
    Button10->setEnabled(FileListBox1->Count() > 0);
    setWindowTitle(addingAll() ? QStringLiteral("Please Wait while adding all files")
                               : forms().Form4->Memo2->Lines().value(kCaptionLine));
}

void TForm7::DriveComboBox1Change() {
    DirectoryListBox1->showChosenDrive();
}

void TForm7::DirectoryListBox1Change() {
    // A folder that cannot be read lists no files.
    FileListBox1->setDirectory(DirectoryListBox1->Directory());
    Timer1Timer();
}

void TForm7::preview(const QString& path) {
    // A file that is gone or cannot be decoded gives an empty picture.
    Image1->setPicture(NViewLibLoad(path, 0));
}

void TForm7::FileListBox1Click() {
    preview(FileListBox1->FileName());
    Timer1Timer();
}

void TForm7::FileListBox1DblClick() {
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty())
        ListBox1->addItem(path);
    Timer1Timer();
}

void TForm7::ListBox1Click() {
    const int row = ListBox1->ItemIndex();
    if (row < 0)
        return;
    const QString entry = ListBox1->item(row)->text();
    Edit1->setText(entry);
    preview(entry);
    ListBox1->setToolTip(entry);
    Timer1Timer();
}

void TForm7::Button1Click() {
    stopAddAll();
    ListBox1->clear();
    OpenDialog1.fileName.clear();
    AddHistoryEntry(QStringLiteral("Pressed New Slideshow,"));
    Timer1Timer();
}

void TForm7::Button2Click() {
    stopAddAll();
    const QString chosen = dialogs().openFile(this, OpenDialog1);
    if (!chosen.isEmpty()) {
        OpenDialog1.fileName = chosen;
        // Read first: a file that cannot be opened leaves the list as it was.
        ListBox1->setItems(readPathList(chosen));
    }
    AddHistoryEntry(QStringLiteral("Pressed Open Slideshow,"));
    Timer1Timer();
}

void TForm7::Button3Click() {
    const QString chosen = dialogs().saveFile(this, SaveDialog1);
    if (!chosen.isEmpty()) {
        SaveDialog1.fileName = chosen;
        writePathList(chosen, ListBox1->Items());
        OpenDialog1.fileName = chosen;  // the next Open offers it
    }
    AddHistoryEntry(QStringLiteral("Pressed Save Slideshow,"));
}

void TForm7::Button11Click() {
    AddHistoryEntry(QStringLiteral("Pressed Play Slideshow,"));
    const QStringList slides = ListBox1->Items();
    forms().Form8->Start(&slides);
    Timer1Timer();
}

void TForm7::Button4Click() {
    AddHistoryEntry(QStringLiteral("Pressed Add File,"));
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty())
        ListBox1->addItem(path);
    Timer1Timer();
}

void TForm7::Button10Click() {
    AddHistoryEntry(QStringLiteral("Pressed Add All Files,"));
    if (addingAll())
        return;  // the run under way adds them
    // The run walks the files listed now, whatever the list shows later.
    addAllPaths_.clear();
    for (int row = 0; row < FileListBox1->Count(); ++row) {
        const QString path = FileListBox1->FileNameAt(row);
        if (!path.isEmpty())
            addAllPaths_ << path;
    }
    addAllNext_ = 0;
    if (addAllPaths_.isEmpty())
        return;
    FileListBox1->setItemIndex(0);
    addalltimer->start();
    Timer1Timer();
}

void TForm7::addalltimerTimer() {
    QElapsedTimer spent;
    spent.start();
    do {
        const qsizetype count = qMin(kAddAllChunk, addAllPaths_.size() - addAllNext_);
        ListBox1->addItems(addAllPaths_.mid(addAllNext_, count));
        addAllNext_ += count;
    } while (addAllNext_ < addAllPaths_.size() && spent.nsecsElapsed() < kAddAllSliceNs);
    // The file list shows how far the run got while it still lists those files.
    const qsizetype last = addAllNext_ - 1;
    if (FileListBox1->FileNameAt(int(last)) == addAllPaths_.at(last))
        FileListBox1->setItemIndex(int(last));
    if (addAllNext_ >= addAllPaths_.size())
        stopAddAll();
    Timer1Timer();
}

void TForm7::stopAddAll() {
    addalltimer->stop();
    addAllPaths_.clear();
    addAllNext_ = 0;
}

void TForm7::Button5Click() {
    AddHistoryEntry(QStringLiteral("Pressed Remove File,"));
    const int row = ListBox1->ItemIndex();
    if (row < 0)
        return;
    delete ListBox1->takeItem(row);
    ListBox1->setItemIndex(-1);
    Edit1->clear();
    Timer1Timer();
}

void TForm7::Button6Click() {
    AddHistoryEntry(QStringLiteral("Pressed Removed All Files,"));
    ListBox1->clear();
    Timer1Timer();
}

void TForm7::moveSelectedEntry(int step) {
    AddHistoryEntry(QStringLiteral("Pressed Move File,"));
    ListBox1->moveSelectedItem(step, TListBox::SelectionAfterMove::FollowsEntry);
}

void TForm7::Button8Click() {
    moveSelectedEntry(-1);
}

void TForm7::Button9Click() {
    moveSelectedEntry(1);
}

void TForm7::Button7Click() {
    AddHistoryEntry(QStringLiteral("Pressed Close Slideshow,"));
    stopAddAll();
    Close();
}

void TForm7::soundbuttonClick() {
    forms().Form22->ShowModal();
}

void TForm7::favoriteClick(int k) {
    // The folder list keeps the drive combo on the folder's drive.
    DirectoryListBox1->setDirectory(userCaption(favoriteItems[size_t(k)]));
}

void TForm7::FilesDropped(const QStringList& paths) {
    for (const QString& path : paths) {
        // A folder or a device named like a picture is no picture either.
        if (!isSlideshowPicture(path) || !isRegularFile(path)) {
            dialogs().message(this, QStringLiteral("Error"),
                              QStringLiteral("Not a valid imagefile"), MsgIcon::Error,
                              MsgButtons::Ok);
            continue;
        }
        const qsizetype slash = path.lastIndexOf(u'/');
        DirectoryListBox1->setDirectory(slash > 0 ? path.left(slash) : QStringLiteral("/"));
        FileListBox1->selectItem(path.mid(slash + 1));
        // The dropped file itself, whatever the list managed to select.
        ListBox1->addItem(path);
    }
    Timer1Timer();
}

void TForm7::reject() {
    guarded([this] { Button7Click(); });
}

void TForm7::hideEvent(QHideEvent* event) {
    TDialogForm::hideEvent(event);
    // However the window went, a run of Add All ends with it, and the
    // folder is read again at the next showing.
    if (!event->spontaneous()) {
        stopAddAll();
        DirectoryListBox1->setFollowChanges(false);
        FileListBox1->setFollowChanges(false);
    }
}

void TForm7::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm7::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << droppedPath(url);
    event->acceptProposedAction();
    // Handled once the drop is over: its messages must not hold up the drag source.
    QTimer::singleShot(0, this, [this, paths] { guarded([&] { FilesDropped(paths); }); });
}

}  // namespace lumora

#include "slideshow/slideshow_sounds_window.h"

#include "platform/application.h"
#include "platform/refresh_pacer.h"
#include "settings/form_storage.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_player.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"
#include "ui/position_bar.h"
#include "ui/toolbar_glyphs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace lumora {

TForm22::TForm22() {
    setObjectName(QStringLiteral("Form22"));
    setWindowTitle(QStringLiteral("Sound Setup"));
    setDesignClientSize(426, 271);
    buildControls();

    SaveDialog1.filter = OpenDialog1.filter = QStringLiteral("Slideshow Sounds|*.ssl");
    SaveDialog1.defaultExt = OpenDialog1.defaultExt = QStringLiteral(".ssl");

    MediaPlayer1 = mci().createDevice();

    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm22::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm22::DirectoryListBox1Change);
    connectHandler(FileListBox1, &TFileListBox::doubleClicked, this,
                   &TForm22::FileListBox1DblClick);
    connectHandler(ListBox1, &TListBox::Click, this, &TForm22::ListBox1Click);
    connectHandler(ListBox1, &TListBox::DblClick, this, &TForm22::ListBox1DblClick);
    connectHandler(position, &TPositionBar::Scroll, this, &TForm22::positionChange);
    struct Command {
        const char* name;
        void (TForm22::*handler)();
    };
    static constexpr Command kCommands[] = {
        {"add", &TForm22::addClick},
        {"remove", &TForm22::removeClick},
        {"moveup", &TForm22::moveupClick},
        {"movedown", &TForm22::movedownClick},
        {"playsound", &TForm22::playsoundClick},
        {"stopsound", &TForm22::stopsoundClick},
        {"save", &TForm22::saveClick},
        {"open", &TForm22::openClick},
        {"BitBtn1", &TForm22::BitBtn1Click},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);

    // Runs whether the window shows or not: it moves the list on. The pacer
    // keeps it at a second while nothing plays.
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    RefreshPacer::instance().add(Timer1);
    connectHandler(Timer1, &QTimer::timeout, this, &TForm22::Timer1Timer);

    FormStorage1 =
        new TFormStorage(this, QStringLiteral("slideshow sounds"),
                         {QStringLiteral("ListBox1.Items"), QStringLiteral("enablesound.Checked")});
    DirectoryListBox1->setDirectory(FileListBox1->Directory());
}

TForm22::~TForm22() {
    keepPace(false);
}

void TForm22::buildControls() {
    DriveComboBox1 = named(new TDriveComboBox(this), "DriveComboBox1");
    DriveComboBox1->setGeometry(8, 8, 156, 22);
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, this), "DirectoryListBox1");
    DirectoryListBox1->setGeometry(8, 34, 156, 104);
    FileListBox1 = named(new TFileListBox(this), "FileListBox1");
    FileListBox1->setFileType(TFileListBox::ftNormal);
    FileListBox1->setMask(QStringLiteral("*.wav;*.mid"));
    FileListBox1->setAccessibleName(QStringLiteral("Sound files"));
    FileListBox1->setGeometry(8, 142, 156, 121);

    const int row = 8;
    add = glyphButton(this, "add", QStringLiteral("Add"), "list-add", QStyle::SP_ArrowRight);
    remove = glyphButton(this, "remove", QStringLiteral("Remove"), "list-remove",
                         QStyle::SP_DialogDiscardButton);
    moveup = glyphButton(this, "moveup", QStringLiteral("Move Up"), "go-up", QStyle::SP_ArrowUp);
    movedown =
        glyphButton(this, "movedown", QStringLiteral("Move Down"), "go-down", QStyle::SP_ArrowDown);
    save = glyphButton(this, "save", QStringLiteral("Save Sound List"), "document-save",
                       QStyle::SP_DialogSaveButton);
    open = glyphButton(this, "open", QStringLiteral("Open Sound List"), "document-open",
                       QStyle::SP_DialogOpenButton);
    int x = 172;
    for (QToolButton* button : {add, remove, moveup, movedown}) {
        button->setGeometry(x, row, 26, 26);
        x += 28;
    }
    save->setGeometry(364, row, 26, 26);
    open->setGeometry(392, row, 26, 26);

    enablesound =
        named(new QCheckBox(QStringLiteral("Enable Sound Playback"), this), "enablesound");
    enablesound->setGeometry(172, 38, 246, 20);

    ListBox1 = named(new TListBox(this), "ListBox1");
    ListBox1->setAccessibleName(QStringLiteral("Sounds"));
    ListBox1->setGeometry(172, 62, 246, 136);

    playsound = glyphButton(this, "playsound", QStringLiteral("Play"), "media-playback-start",
                            QStyle::SP_MediaPlay);
    stopsound = glyphButton(this, "stopsound", QStringLiteral("Stop"), "media-playback-stop",
                            QStyle::SP_MediaStop);
    playsound->setGeometry(172, 204, 26, 26);
    stopsound->setGeometry(200, 204, 26, 26);
    position = named(new TPositionBar(this), "position");
    position->setAccessibleName(QStringLiteral("Sound position"));
    position->setSingleStep(1000);
    position->setPageStep(5000);
    position->setGeometry(232, 209, 186, 16);

    BitBtn1 = named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn1->setIcon(styleIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setGeometry(338, 238, 80, 25);
    BitBtn1->setAutoDefault(false);

    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setAccessibleName(QStringLiteral("Selected sound"));
    Edit1->setVisible(false);
}

void TForm22::FormCreate() {
    TForm8& player = *forms().Form8;
    player.startSounds = [this] { Start(); };
    player.stopSounds = [this] { Stop(); };
    // The stored list and option are read now, so that a slideshow started
    // before the window was ever opened (from the command line) has its sounds.
    // Read without a show: a window made now would open beneath the others
    // where no window manager raises it.
    guarded([this] { FormStorage1->restore(); });
    Timer1->start();
}

void TForm22::setVisible(bool visible) {
    // Showing reads the stored list again; a list playing on keeps its place.
    const int row = ListBox1->ItemIndex();
    TDialogForm::setVisible(visible);
    if (visible)
        ListBox1->setItemIndex(row);
}

void TForm22::FormShow() {
    centreOnScreen(this);
}

void TForm22::Timer1Timer() {
    add->setEnabled(!FileListBox1->FileName().isEmpty());
    const bool soundSelected = !Edit1->text().isEmpty();
    const int row = ListBox1->ItemIndex();
    remove->setEnabled(soundSelected);
    moveup->setEnabled(soundSelected && row != 0);
    movedown->setEnabled(soundSelected && row != ListBox1->count() - 1);

    MciDevice& player = *MediaPlayer1;
    const bool current = hasCurrentSound();
    playsound->setEnabled(current);
    stopsound->setEnabled(current);
    position->setEnabled(current);
    if (current)
        position->showPosition(player.position(), player.trackLength(1));
    else
        position->setValue(0);

    // The continuation: a sound that has ended, or could not be opened, makes
    // way for the next entry, the last for the first. One entry a tick.
    const int count = ListBox1->count();
    if (continuing_ && !reporting_ && row >= 0 && row < count &&
        (!current || player.position() >= player.trackLength(1)))
        continueWith(row + 1 < count ? row + 1 : 0);

    keepPace(continuing_ || player.mode() == MciMode::Playing);
}

void TForm22::selectSound(int row) {
    const QString entry = ListBox1->item(row)->text();
    Edit1->setText(entry);
    position->setMaximum(0);
    MediaPlayer1->open(entry);
    position->setMaximum(MediaPlayer1->trackLength(1));
}

void TForm22::beginContinuing() {
    continuing_ = true;
    reported_ = false;
    silentInRow_ = 0;
}

void TForm22::continueWith(int row) {
    ListBox1->setItemIndex(row);
    try {
        selectSound(row);
        MediaPlayer1->play();
        silentInRow_ = MediaPlayer1->trackLength(1) > 0 ? 0 : silentInRow_ + 1;
    } catch (const EMciError& error) {
        ++silentInRow_;
        reportOnce(error);
    }
    // Not one entry of the list sounds: going round again would only repeat that.
    if (silentInRow_ >= ListBox1->count())
        continuing_ = false;
}

void TForm22::reportOnce(const EMciError& error) {
    if (reported_)
        return;
    reported_ = true;
    reporting_ = true;
    TApplication::showException(error);
    reporting_ = false;
}

void TForm22::Start() {
    if (!enablesound->isChecked() || ListBox1->count() == 0)
        return;
    beginContinuing();
    continueWith(0);
}

void TForm22::Stop() {
    continuing_ = false;
    if (MediaPlayer1->mode() == MciMode::Playing)
        MediaPlayer1->stop();
}

void TForm22::keepPace(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    RefreshPacer::instance().setBusy(this, busy);
}

void TForm22::DriveComboBox1Change() {
    DirectoryListBox1->showChosenDrive();
}

void TForm22::DirectoryListBox1Change() {
    FileListBox1->setDirectory(DirectoryListBox1->Directory());
}

void TForm22::FileListBox1DblClick() {
    addClick();
}

void TForm22::ListBox1Click() {
    const int row = ListBox1->ItemIndex();
    if (row < 0)
        return;
    // A click only opens: the list is not playing on from here.
    continuing_ = false;
    selectSound(row);
}

void TForm22::ListBox1DblClick() {
    // The click before it opened the sound; a sound that failed is not played.
    if (hasCurrentSound())
        playsoundClick();
}

void TForm22::addClick() {
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty())
        ListBox1->addItem(path);
}

void TForm22::removeClick() {
    const int row = ListBox1->ItemIndex();
    if (row < 0)
        return;
    delete ListBox1->takeItem(row);
    ListBox1->setItemIndex(-1);
    Edit1->clear();
}

void TForm22::moveupClick() {
    ListBox1->moveSelectedItem(-1, TListBox::SelectionAfterMove::FollowsEntry);
}

void TForm22::movedownClick() {
    ListBox1->moveSelectedItem(1, TListBox::SelectionAfterMove::FollowsEntry);
}

void TForm22::playsoundClick() {
    MediaPlayer1->play();
    beginContinuing();
}

void TForm22::stopsoundClick() {
    continuing_ = false;
    MediaPlayer1->stop();
}

void TForm22::positionChange() {
    if (!hasCurrentSound())
        return;
    MediaPlayer1->pause();
    MediaPlayer1->seek(position->sliderPosition());
    MediaPlayer1->play();
    beginContinuing();
}

void TForm22::saveClick() {
    const QString chosen = dialogs().saveFile(this, SaveDialog1);
    if (chosen.isEmpty())
        return;
    SaveDialog1.fileName = chosen;
    writePathList(chosen, ListBox1->Items());
}

void TForm22::openClick() {
    const QString chosen = dialogs().openFile(this, OpenDialog1);
    if (chosen.isEmpty())
        return;
    OpenDialog1.fileName = chosen;
    // Read first: a file that cannot be opened leaves the list as it was.
    ListBox1->setItems(readPathList(chosen));
}

void TForm22::BitBtn1Click() {
    Close();
    Stop();
}

}  // namespace lumora

// The main window's slideshow commands: the editor, open and play, favourite
// slideshows, the start argument, the quick slideshow and the full-screen viewer.
#include "app/main_window.h"

#include "app/folder_tree.h"
#include "base/file_name.h"
#include "platform/dialogs.h"
#include "platform/refresh_pacer.h"
#include "slideshow/favorite_slideshows_window.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/open_slideshow_dialog.h"
#include "slideshow/path_list_file.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/list_box.h"
#include "ui/picture_view.h"

#include <QFileInfo>
#include <QSpinBox>
#include <QTimer>
#include <utility>

namespace lumora {
namespace {

// A picture the viewer stops at: named like one, and a regular file.
bool isViewerFile(const QString& path) {
    return !path.isEmpty() && isViewerPicture(path) && isRegularFile(path);
}

}  // namespace

// --- Slideshow editor

void TForm1::Create1Click() {
    AddHistoryEntry(QStringLiteral("Launched Create Slideshow,"));
    // Every opening starts with an empty list.
    forms().Form7->Button1Click();
    forms().Form7->ShowModal();
}

void TForm1::createslideshowClick() {
    Create1Click();
}

// --- Open and play, favourite slideshows

void TForm1::OpenandPlay1Click() {
    AddHistoryEntry(QStringLiteral("Launched Open/Play Slideshow,"));
    TForm9& dialog = *forms().Form9;
    dialog.FileListBox1->Update();
    dialog.ShowModal();
}

void TForm1::openslideshowClick() {
    OpenandPlay1Click();
}

void TForm1::Slideshow3Click() {
    AddHistoryEntry(QStringLiteral("Organize Slideshow Pressed,"));
    forms().Form20->ShowModal();
}

void TForm1::Slideshow2Click() {
    Slideshow3Click();
}

void TForm1::playStartArgument() {
    // Gone before the file is read: whatever the read raises, it happens once.
    const QString path = std::exchange(pendingStartArgument, QString());
    // What a file manager's "Open with" hands over: a folder is browsed and a file the
    // preview shows is selected in its folder. Anything else is a slideshow file.
    const QFileInfo target(path);
    const bool previewed = target.isFile() && previewGroup(path) != PreviewGroup::None;
    if (target.isDir() || previewed) {
        FileListBox1->setDirectory(previewed ? target.path() : path);
        directorylistbox1->setDirectory(FileListBox1->Directory());
        if (previewed && FileListBox1->selectItem(target.fileName()))
            FileListBox1Click();
        return;
    }
    guarded([&path] {
        TForm9& dialog = *forms().Form9;
        dialog.ListBox1->setItems(readPathList(path, kMaxStartArgumentSize));
        dialog.Button1Click();
    });
}

// --- Quick slideshow

bool TForm1::selectListEntry(int index, const QString& text) {
    // The list may have been re-read since the entry was taken: then it is
    // found by its text.
    if (FileListBox1->Item(index) == text) {
        FileListBox1->setItemIndex(index);
        return true;
    }
    return FileListBox1->selectItem(text);
}

void TForm1::QuickSlideshow1Click() {
    AddHistoryEntry(QStringLiteral("Quick Slideshow Launched,"));
    TForm15& progress = *forms().Form15;
    TForm8& player = *forms().Form8;
    const int selected = FileListBox1->ItemIndex();
    progress.I->setValue(selected);
    quickSavedEntry_ = FileListBox1->Item(selected);

    // The walk goes over the list as it is now, whatever re-reads it meanwhile.
    quickWalk_ = QuickSlideshowWalk(FileListBox1->Directory(), FileListBox1->Entries());

    player.ListBox1.clear();
    FileListBox1->setItemIndex(0);
    progress.setWalkPosition(quickWalk_.cursor(), quickWalk_.count());
    RefreshPacer::instance().setBusy(qstimer, true);
    qstimer->start();
    progress.ShowModal();

    qstimer->stop();
    RefreshPacer::instance().setBusy(qstimer, false);
    const bool play = quickWalk_.finished() && !player.ListBox1.isEmpty();
    quickWalk_ = QuickSlideshowWalk();
    // The play list is filled: the player starts without copying one.
    if (play)
        player.Start(nullptr);
}

void TForm1::showWalkPosition() {
    const int cursor = quickWalk_.cursor();
    // The selection follows the walk to show where it is; the walk itself
    // never reads it.
    if (cursor >= 0)
        selectListEntry(cursor, quickWalk_.text(cursor));
    forms().Form15->setWalkPosition(cursor, quickWalk_.count());
}

void TForm1::qstimerTimer() {
    TForm8& player = *forms().Form8;
    quickWalk_.examine(player.ListBox1, QuickSlideshowWalk::Clock::now() + quickWalkSlice);
    showWalkPosition();
    if (!quickWalk_.finished())
        return;
    qstimer->stop();
    if (player.ListBox1.isEmpty())
        dialogs().message(forms().Form15, QStringLiteral("Information"),
                          QStringLiteral("No supported files found"), MsgIcon::Information,
                          MsgButtons::Ok);
    forms().Form15->Close();
}

void TForm1::quickSlideshowAborted() {
    qstimer->stop();
    QSpinBox& saved = *forms().Form15->I;
    if (saved.value() == -1)
        return;
    const bool restored = selectListEntry(saved.value(), quickSavedEntry_);
    saved.setValue(-1);
    if (restored)
        FileListBox1Click();
}

// --- Full-screen viewer

QString TForm1::viewerFileAhead(int index, int direction) const {
    // What the next step in this direction examines, if it will show it; at
    // an end of the list, where that step goes nowhere, the one back.
    int next = index + direction;
    if (next < 0 || next >= FileListBox1->Count())
        next = index - direction;
    const QString path = FileListBox1->FileNameAt(next);
    return isViewerFile(path) && hasBitmapPreview(path) ? path : QString();
}

void TForm1::FullScreen1Click() {
    if (!jpg->isVisible())
        return;  // nothing previewed as a picture
    AddHistoryEntry(QStringLiteral("Fullscreen activated,"));
    TForm5& viewer = *forms().Form5;
    viewer.lookAhead(viewerFileAhead(FileListBox1->ItemIndex(), +1));
    // The preview lies under the viewer: it is painted again once the viewer
    // closes, not at every step (scaling a stretched 12-megapixel picture
    // costs more than the step itself).
    jpg->setUpdatesEnabled(false);
    viewer.Open(jpg->picture());
    jpg->setUpdatesEnabled(true);
}

void TForm1::Full1Click() {
    FullScreen1Click();
}

void TForm1::fullscreenStep(int direction) {
    TForm5& viewer = *forms().Form5;
    const int last = FileListBox1->Count() - 1;
    int index = FileListBox1->ItemIndex();
    if (direction < 0 ? index <= 0 : index >= last)
        return;
    index += direction;
    FileListBox1->setItemIndex(index);
    const QString path = FileListBox1->FileNameAt(index);
    if (isViewerFile(path)) {
        previewFile(path, hasBitmapPreview(path) ? viewer.takePicture(path) : std::nullopt);
        // A file the preview cannot show (a GIF, a broken picture) leaves the
        // screen black, not the last picture under the new name.
        viewer.showPicture(previewGroup(path) != PreviewGroup::None ? jpg->picture() : QImage());
    } else {
        // Passed over: the file after it is not examined until the next step.
        index = qBound(0, index + direction, last);
        FileListBox1->setItemIndex(index);
    }
    viewer.lookAhead(viewerFileAhead(index, direction));
}

}  // namespace lumora

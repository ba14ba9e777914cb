// The main window's file operations: copy, move and delete of the selected
// file, the wallpaper, the info window, the links window, opening files in
// their associated program and the association window.
#include "app/main_window.h"

#include "base/file_name.h"
#include "metafile/metafile.h"
#include "platform/launch.h"
#include "settings/preferences_window.h"
#include "shell/association_window.h"
#include "shell/copy_move_window.h"
#include "shell/file_info_window.h"
#include "shell/links_window.h"
#include "shell/wallpaper_progress_window.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <unistd.h>

namespace lumora {

void TForm1::showCopyMoveDialog(const QString& caption) {
    TForm3& dialog = *forms().Form3;
    dialog.setWindowTitle(caption);
    dialog.destination->clear();
    dialog.SelectedFile = FileListBox1->FileName();
    dialog.BrowserFolder = FileListBox1->Directory();
    dialog.FavoritesHint = ToolbarButton977->toolTip();
    dialog.ShowModal();
}

void TForm1::copyClick() {
    showCopyMoveDialog(QStringLiteral("Copy"));
}

void TForm1::moveClick() {
    showCopyMoveDialog(QStringLiteral("Move"));
}

void TForm1::deleteClick() {
    const QString path = FileListBox1->FileName();
    if (path.isEmpty())
        return;  // the picture's pop-up menu is there without a selection too
    const QString name = selectedFileName();
    if (dialogs().message(this, QStringLiteral("Confirm"),
                          QStringLiteral("Do you want to delete : ") + name + QStringLiteral(" ?"),
                          MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // Deleted for good, as the command says: there is no trash on the way.
    const QByteArray bytes = encodeFileName(path);
    if (!bytes.contains('\0') && ::unlink(bytes.constData()) == 0)
        FileListBox1->Update();
    AddHistoryEntry(QStringLiteral("Deleted ") + name + u',');
}

QImage TForm1::decodeWallpaperPicture(const QString& path) {
    if (previewGroup(path) == PreviewGroup::PlatformPicture && !hasBitmapPreview(path)) {
        const Metafile metafile = Metafile::fromFile(path);
        return metafile.toImage(metafile.size());
    }
    return decodePreviewPicture(path);
}

void TForm1::applyWallpaper(const QString& historyText, const QString& file, bool tiled) {
    AddHistoryEntry(historyText);
    // A file gone since the list showed it, or a pipe named like a picture,
    // changes nothing: the changer would keep and apply the file before.
    if (!file.isEmpty() && !isRegularFile(file))
        return;
    TForm10& progress = *forms().Form10;
    progress.wallpaper = wallpaper;
    progress.Timer1->start();
    wallpaper->setTiled(tiled);
    wallpaper->setActive(true);
    wallpaper->setFilename(file);
    progress.ShowModal();
    const QString failure = wallpaper->Failure();
    if (!failure.isEmpty())
        dialogs().message(
            this, QStringLiteral("Wallpaper"),
            QStringLiteral("Lumora could not finish setting the wallpaper:\n\n") + failure,
            MsgIcon::Error, MsgButtons::Ok);
}

void TForm1::applySelectedWallpaper(bool tiled) {
    const QString path = FileListBox1->FileName();
    // Without a selection the picture's pop-up menu would remove the wallpaper.
    if (path.isEmpty())
        return;
    applyWallpaper(QStringLiteral("Applied ") + selectedFileName() +
                       (tiled ? QStringLiteral(" as tiled wallpaper,")
                              : QStringLiteral(" as normal wallpaper,")),
                   path, tiled);
}

void TForm1::Normal1Click() {
    applySelectedWallpaper(false);
}

void TForm1::Tiled1Click() {
    applySelectedWallpaper(true);
}

void TForm1::None1Click() {
    applyWallpaper(QStringLiteral("Removed wallpaper,"), QString(), false);
}

void TForm1::Info1Click() {
    AddHistoryEntry(QStringLiteral("Info Pressed,"));
    TForm16& info = *forms().Form16;
    info.FileName = FileListBox1->FileName();
    info.Edit2->setText(QStringLiteral("0"));
    info.ShowModal();
}

void TForm1::Info2Click() {
    AddHistoryEntry(QStringLiteral("Launched info for ") + selectedFileName() + u',');
    Info1Click();
}

void TForm1::launchSelectedFile() {
    const QString name = selectedFileName();
    // A "[folder]" entry or no selection names no file.
    if (!name.isEmpty())
        LaunchFile(name, {}, FileListBox1->Directory(), kShowNormal);
}

void TForm1::executeClick() {
    AssociatedProgram1Click();
}

void TForm1::AssociatedProgram1Click() {
    launchSelectedFile();
    AddHistoryEntry(QStringLiteral("Open ") + selectedFileName() +
                    QStringLiteral(" in associated program,"));
}

void TForm1::AssociatedProgram2Click() {
    AssociatedProgram1Click();
}

void TForm1::FileListBox1DblClick() {
    if (forms().Form4->CheckBox10->isChecked())
        launchSelectedFile();
}

void TForm1::Associate1Click() {
    AddHistoryEntry(QStringLiteral("Associate Pressed,"));
    TForm17& association = *forms().Form17;
    association.BrowserFolder = FileListBox1->Directory();
    association.ShowModal();
}

void TForm1::Links1Click() {
    AddHistoryEntry(QStringLiteral("Launched Links,"));
    TForm13& links = *forms().Form13;
    links.BrowserFolder = FileListBox1->Directory();
    links.ShowModal();
}

}  // namespace lumora

// The main window's preview of the selected file and the commands acting on it.
#include "app/main_window.h"
#include "base/file_name.h"
#include "metafile/metafile.h"
#include "nviewlib/nviewlib.h"
#include "platform/errors.h"
#include "platform/icons.h"
#include "settings/preferences_window.h"
#include "shell/file_index_icon.h"
#include "shell/icon_list_box.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/picture_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace lumora {

void TForm1::showOnly(QWidget* surface) {
    for (QWidget* each :
         {static_cast<QWidget*>(jpg), Panel6, static_cast<QWidget*>(IconListBox1), DCAVIPlay1})
        each->setVisible(each == surface);
}

void TForm1::showPictureSize() {
    const QSize size = jpg->pictureSize();
    StatusPanels.setText(1, QString::asprintf(" %d x %d", size.width(), size.height()));
}

namespace {

bool isMetafileName(const QString& path) {
    const QString ext = upperExtension(path);
    return ext == QLatin1String(".WMF") || ext == QLatin1String(".EMF");
}

// A BMP, or the largest picture an icon file holds.
QImage readPlatformBitmap(const QString& path) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0)
        return {};
    if (upperExtension(path) == QLatin1String(".BMP"))
        return size <= kMaxPictureFileSize ? decodeBitmapFile(file.readAll()) : QImage();
    QImageReader reader(&file, "ico");
    QImage best;
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (!reader.jumpToImage(i) && i > 0)
            break;
        const QImage image = reader.read();
        if (image.width() * image.height() > best.width() * best.height())
            best = image;
    }
    return best;
}

}  // namespace

void TForm1::loadPlatformPicture(const QString& path) {
    if (isMetafileName(path))
        jpg->setMetafile(Metafile::fromFile(path));
    else
        jpg->setPicture(readPlatformBitmap(path));
}

bool TForm1::hasBitmapPreview(const QString& path) {
    switch (previewGroup(path)) {
        case PreviewGroup::DecodedPicture:
            return true;
        case PreviewGroup::PlatformPicture:
            return !isMetafileName(path);
        default:
            return false;
    }
}

QImage TForm1::decodePreviewPicture(const QString& path) {
    if (!hasBitmapPreview(path))
        return {};
    return previewGroup(path) == PreviewGroup::DecodedPicture ? NViewLibLoad(path, 1)
                                                              : readPlatformBitmap(path);
}

void TForm1::FileListBox1Click() {
    previewFile(FileListBox1->FileName());
}

void TForm1::previewFile(const QString& path, std::optional<QImage> decoded) {
    if (path.isEmpty())
        return;  // a subdirectory entry changes nothing
    const QString name = QFileInfo(path).fileName();
    switch (previewGroup(path)) {
        case PreviewGroup::None:
            return;
        case PreviewGroup::PlatformPicture:
            stopPlayers();
            showOnly(jpg);
            if (decoded)
                jpg->setPicture(*decoded);
            else
                loadPlatformPicture(path);
            StatusPanels.setText(0, name);
            showPictureSize();
            return;
        case PreviewGroup::Sound:
            playSound(path);
            return;
        case PreviewGroup::Avi:
            stopPlayers();
            showOnly(DCAVIPlay1);
            StatusPanels.setText(0, name);
            StatusPanels.setText(1, QString());
            return;
        case PreviewGroup::DecodedPicture:
            stopPlayers();
            showOnly(jpg);
            jpg->setPicture(decoded ? *decoded : NViewLibLoad(path, 1));
            StatusPanels.setText(0, name);
            showPictureSize();
            return;
        case PreviewGroup::Mpeg:
            playMpeg(path);
            return;
        case PreviewGroup::IconFile:
            stopPlayers();
            showOnly(IconListBox1);
            IconListBox1->setFileName(path);
            StatusPanels.setText(0, name);
            StatusPanels.setText(1, QString());
            return;
    }
}

void TForm1::closeimageClick() {
    AddHistoryEntry(QStringLiteral("Closed ") + selectedFileName() + u',');
    if (jpg->isVisible())
        jpg->clearPicture();
    if (IconListBox1->isVisible())
        IconListBox1->setFileName(QString());
    // The picked icon goes with the file, shown or not.
    IconListBox1FileChanged();
    closePlayers();
}

void TForm1::Close1Click() {
    closeimageClick();
    AddHistoryEntry(QStringLiteral("Closed ") + selectedFileName() + u',');
}

void TForm1::reloadClick() {
    AddHistoryEntry(QStringLiteral("Reloaded ") + selectedFileName() + u',');
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty() && IconListBox1->isVisible() &&
        previewGroup(path) == PreviewGroup::IconFile) {
        // Read again, also when it is the file the grid already lists.
        IconListBox1->setFileName(QString());
        IconListBox1->setFileName(path);
    }
    if (path.isEmpty() || !jpg->isVisible())
        return;
    // A ".JPG" comes back through the 256-colour decode; the other pictures
    // are read again the way selecting them reads them.
    if (upperExtension(path) == QLatin1String(".JPG")) {
        jpg->setPicture(decodeJpegQuantized(path));
        return;
    }
    switch (previewGroup(path)) {
        case PreviewGroup::PlatformPicture:
            loadPlatformPicture(path);
            break;
        case PreviewGroup::DecodedPicture:
            jpg->setPicture(NViewLibLoad(path, 1));
            break;
        default:
            break;
    }
}

void TForm1::Reload1Click() {
    reloadClick();
    AddHistoryEntry(QStringLiteral("Reloaded ") + selectedFileName() + u',');
}

void TForm1::StretchImages1Click() {
    TForm4* preferences = forms().Form4;
    const bool stretch = !StretchImages1->isChecked();
    ToolbarButton972->setChecked(stretch);
    StretchImages1->setChecked(stretch);
    preferences->CheckBox6->setChecked(stretch);
    preferences->Button1Click();
    AddHistoryEntry(stretch ? QStringLiteral("Stretch images on,")
                            : QStringLiteral("Stretch images off,"));
}

void TForm1::SaveToBmp1Click() {
    const QString target = SaveDialog1.Execute(this);
    if (target.isEmpty())
        return;
    // Icons and metafiles become a bitmap first; the file is a Windows bitmap.
    if (!jpg->picture().save(target, "BMP"))
        throw EInOutError::cannotCreate(target);
    AddHistoryEntry(QStringLiteral("Saved ") + selectedFileName() + QStringLiteral(" as bitmap,"));
}

void TForm1::IconListBox1Click() {
    TFileIndexIcon icon(standardIconPixels(IconListBox1));
    icon.setFileName(IconListBox1->FileName());
    Edit2->setText(QString::number(IconListBox1->ItemIndex()));
    icon.setIndex(Edit2->text().toInt());
    Image1->setPixmap(icon.Pixmap(IconListBox1->devicePixelRatioF()));
}

void TForm1::IconListBox1FileChanged() {
    // A new file's icons: nothing is picked until the user picks one.
    Edit2->clear();
    Image1->clear();
}

void TForm1::IconListBox1DblClick() {
    Edit3->setText(Edit2->text() + QStringLiteral(" - extracted.ico"));
    const QByteArray icon = icoFileBytes(Image1->pixmap().toImage());
    if (icon.isEmpty())
        return;  // no icon picked, or its cell is empty: there is nothing to save
    SaveDialog2.FileName = Edit3->text();
    const QString target = SaveDialog2.Execute(this);
    if (target.isEmpty())
        return;
    if (!replaceFile(target, icon))
        throw EInOutError::cannotCreate(target);
    AddHistoryEntry(QStringLiteral("Extract icon from ") +
                    QFileInfo(IconListBox1->FileName()).fileName() + u',');
}

void TForm1::ExtractIcon1Click() {
    IconListBox1DblClick();
}

void TForm1::clipboard1Click() {
    QApplication::clipboard()->setImage(jpg->picture());
    AddHistoryEntry(QStringLiteral("Copied ") + selectedFileName() +
                    QStringLiteral(" to clipboard,"));
}

}  // namespace lumora

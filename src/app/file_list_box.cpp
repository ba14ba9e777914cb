#include "app/file_list_box.h"

#include <QDir>

namespace lumora {

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    directory_ = QDir::currentPath();
    connect(this, &QListWidget::currentRowChanged, this, &TFileListBox::Change);
    Update();
}

void TFileListBox::setDirectory(const QString& directory) {
    directory_ = directory;
    QDir::setCurrent(directory);
    Update();
}

void TFileListBox::setMask(const QString& mask) {
    if (mask == mask_) return;
    mask_ = mask;
    Update();
}

void TFileListBox::setFileType(unsigned fileType) {
    if (fileType == fileType_) return;
    fileType_ = fileType;
    Update();
}

QString TFileListBox::FileName() const {
    const QListWidgetItem* item = currentItem();
    if (!item || item->text().startsWith(u'[')) return {};
    return QDir(directory_).filePath(item->text());
}

void TFileListBox::Update() {
    clear();
    if (fileType_ == 0) return;
    QDir dir(directory_);
    QStringList names;
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDot | QDir::Hidden, QDir::Name))
        names << u'[' + sub + u']';
    for (const QString& pattern : mask_.split(u';', Qt::SkipEmptyParts)) {
        const QString p = pattern.trimmed() == QLatin1String("*.*") ? QStringLiteral("*")
                                                                    : pattern.trimmed();
        names << dir.entryList({p}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name |
                                                                                   QDir::IgnoreCase);
    }
    addItems(names);
}

}  // namespace lumora

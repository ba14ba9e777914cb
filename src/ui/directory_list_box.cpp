#include "ui/directory_list_box.h"

#include "platform/dir_entries.h"
#include "ui/drive_combo_box.h"
#include "ui/toolbar_glyphs.h"

#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace lumora {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 10;

// Shifts each row right by its depth: the path reads as a staircase.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + index.data(kDepthRole).toInt() * kIndent);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kDepthRole).toInt() * kIndent;
        return size;
    }
};

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(TDriveComboBox* drives, QWidget* parent)
    : QListWidget(parent),
      drives_(drives),
      watcher_(this, DirWatch::Names::Folders, [this] { Update(); }) {
    setAccessibleName(QStringLiteral("Folders"));
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDirectory(item->data(kPathRole).toString()); });
}

void TDirectoryListBox::showChosenDrive() {
    if (drives_ && !drives_->Drive().isEmpty())
        setDirectory(drives_->Drive());
}

QString TDirectoryListBox::rootOf(const QString& folder) const {
    const QString root = drives_ ? drives_->driveOf(folder) : QString();
    return root.isEmpty() ? QStringLiteral("/") : root;
}

void TDirectoryListBox::setDirectory(const QString& directory) {
    const QString folder =
        QDir::cleanPath(directory.startsWith(u'/') ? directory : childPath(directory_, directory));
    if (drives_)
        drives_->setDrive(rootOf(folder));
    if (folder == directory_)
        return;
    directory_ = folder;
    watcher_.setFolder(directory_);
    Update();
    emit Change();
}

void TDirectoryListBox::setFollowChanges(bool follow) {
    watcher_.setActive(follow);
}

void TDirectoryListBox::Update() {
    clear();
    const QIcon open = styleIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = styleIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QIcon& icon, const QString& text, const QString& path, int depth) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(kPathRole, path);
        item->setData(kDepthRole, depth);
        return item;
    };

    const QString root = rootOf(directory_);
    QString path = root;
    int depth = 0;
    QListWidgetItem* current = add(open, root, root, depth);
    const QString below = directory_.mid(root.size());
    for (const QString& name : below.split(u'/', Qt::SkipEmptyParts)) {
        path = childPath(path, name);
        current = add(open, name, path, ++depth);
    }

    // Dot folders stay out, as the file list leaves out hidden files.
    std::vector<SubfolderEntry> folders =
        readSubfolders(directory_, false).value_or(std::vector<SubfolderEntry>{});
    std::erase_if(folders, [](const SubfolderEntry& entry) { return entry.name.startsWith(u'.'); });
    std::sort(folders.begin(), folders.end(), [](const SubfolderEntry& a, const SubfolderEntry& b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    for (const SubfolderEntry& entry : folders)
        add(closed, entry.name, childPath(directory_, entry.name), depth + 1);
    setCurrentItem(current);
}

}  // namespace lumora

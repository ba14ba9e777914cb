#include "ui/file_list_box.h"
#include "ui/toolbar_glyphs.h"

#include "platform/dir_entries.h"

#include <QAbstractListModel>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace lumora {

// The listed entries; one shared icon per kind keeps big folders cheap.
class TFileListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setEntries(std::vector<FileListEntry> entries) {
        beginResetModel();
        // A new list: whoever holds the old one keeps it as it was.
        shared_ = std::make_shared<const std::vector<FileListEntry>>(std::move(entries));
        endResetModel();
    }
    const std::vector<FileListEntry>& entries() const { return *shared_; }
    const TFileListBox::SharedEntries& shared() const { return shared_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(entries().size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const FileListEntry& entry = entries()[size_t(index.row())];
        switch (role) {
            case Qt::DisplayRole:
                return entry.text();
            case Qt::DecorationRole:
                return entry.directory ? folderIcon() : fileIcon();
            default:
                return {};
        }
    }

private:
    static const QIcon& folderIcon() {
        static const QIcon icon = providerIcon(QAbstractFileIconProvider::Folder);
        return icon;
    }
    static const QIcon& fileIcon() {
        static const QIcon icon = providerIcon(QAbstractFileIconProvider::File);
        return icon;
    }

    TFileListBox::SharedEntries shared_ = std::make_shared<const std::vector<FileListEntry>>();
};

namespace {

QString absoluteFolder(const QString& folder, const QString& base) {
    if (folder.isEmpty())
        return base;
    return QDir::cleanPath(folder.startsWith(u'/') ? folder : base + u'/' + folder);
}

}  // namespace

TFileListBox::TFileListBox(QWidget* parent)
    : QListView(parent),
      compiledMask_(mask_),
      model_(new TFileListModel(this)),
      watcher_(this, DirWatch::Names::All, [this] { followChange(); }) {
    setModel(model_);
    setAccessibleName(QStringLiteral("Files"));
    // Every row has the same height: lets the view lay out 100,000 rows at once.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    directory_ = currentDirectory();
    watcher_.setFolder(directory_);
    Update();
}

TFileListBox::~TFileListBox() = default;

void TFileListBox::setDirectory(const QString& directory) {
    const QString folder = absoluteFolder(directory, directory_);
    // A folder that cannot be entered still becomes the listed (empty) one.
    setCurrentDirectory(folder);
    if (folder == directory_)
        return;
    directory_ = folder;
    watcher_.setFolder(directory_);
    Update();
}

void TFileListBox::setMask(const QString& mask) {
    if (mask == mask_)
        return;
    mask_ = mask;
    compiledMask_ = FileMask(mask_);
    Update();
}

void TFileListBox::setFileType(unsigned fileType) {
    if (fileType == fileType_)
        return;
    fileType_ = fileType;
    Update();
}

void TFileListBox::setListPrograms(bool on) {
    if (on == listPrograms_)
        return;
    listPrograms_ = on;
    Update();
}

QString TFileListBox::FileName() const {
    return FileNameAt(ItemIndex());
}

QString TFileListBox::FileNameAt(int index) const {
    listNow();
    if (index < 0 || index >= Count())
        return {};
    return model_->entries()[size_t(index)].path(directory_);
}

TFileListBox::SharedEntries TFileListBox::Entries() const {
    listNow();
    return model_->shared();
}

int TFileListBox::Count() const {
    listNow();
    return model_->rowCount();
}

QString TFileListBox::Item(int index) const {
    listNow();
    if (index < 0 || index >= Count())
        return {};
    return model_->entries()[size_t(index)].text();
}

int TFileListBox::ItemIndex() const {
    listNow();  // a re-read clears the selection
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFileListBox::setItemIndex(int index) {
    listNow();
    if (index < 0 || index >= Count()) {
        setCurrentIndex(QModelIndex());
        return;
    }
    setCurrentIndex(model_->index(index));
}

bool TFileListBox::selectItem(const QString& text) {
    listNow();
    const auto& entries = model_->entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text() == text) {
            setItemIndex(int(i));
            return true;
        }
    }
    return false;
}

void TFileListBox::mousePressEvent(QMouseEvent* event) {
    // Only the left button picks; the right one opens the context menu and
    // leaves the selection as it is.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit Click();
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit DblClick();
}

void TFileListBox::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit Click();
}

void TFileListBox::Update() {
    ++listSerial_;
    stale_ = true;
    if (isVisible())
        listNow();
}

void TFileListBox::listNow() const {
    if (!stale_)
        return;
    stale_ = false;
    model_->setEntries(listFolder(directory_, compiledMask_, fileType_, listPrograms_));
}

void TFileListBox::showEvent(QShowEvent* event) {
    listNow();
    QListView::showEvent(event);
}

void TFileListBox::setFollowChanges(bool follow) {
    watcher_.setActive(follow);
}

void TFileListBox::followChange() {
    const QString selected = Item(ItemIndex());
    const int scrolled = verticalScrollBar()->value();
    Update();
    if (!selected.isEmpty())
        selectItem(selected);
    verticalScrollBar()->setValue(scrolled);
}

}  // namespace lumora

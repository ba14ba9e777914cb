#include "app/folder_tree.h"

#include "app/dir_change_thread.h"
#include "platform/dir_entries.h"
#include "ui/toolbar_glyphs.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <memory>

namespace lumora {

namespace {
constexpr int kNodeType = QTreeWidgetItem::UserType + 19;
}

// A node: the shell item it shows, its medium stamp, whether its children were
// read, and its watcher once it has children.
class TFolderNode final : public QTreeWidgetItem {
public:
    TFolderNode(TFolderTree* tree, quint64 id, ShellItem item, qint64 stamp)
        : QTreeWidgetItem(kNodeType), tree(tree), id(id), item(std::move(item)), stamp(stamp) {}

    ~TFolderNode() override {
        // The children go after this body (in the base destructor), each doing the same.
        watcher.reset();
        tree->nodes_.remove(id);
    }

    TFolderTree* tree;
    const quint64 id;
    ShellItem item;
    qint64 stamp;
    bool filled = false;
    std::unique_ptr<TThDirChange> watcher;
};

namespace {

TFolderNode* asNode(QTreeWidgetItem* item) {
    return item && item->type() == kNodeType ? static_cast<TFolderNode*>(item) : nullptr;
}
const TFolderNode* asNode(const QTreeWidgetItem* item) {
    return item && item->type() == kNodeType ? static_cast<const TFolderNode*>(item) : nullptr;
}

bool hasPath(ShellKind kind) {
    return kind == ShellKind::Drive || kind == ShellKind::NetworkShare || kind == ShellKind::Folder;
}

const QIcon& iconOf(ShellKind kind) {
    static const QIcon desktop = providerIcon(QAbstractFileIconProvider::Desktop);
    static const QIcon trash = providerIcon(QAbstractFileIconProvider::Trashcan);
    static const QIcon network = providerIcon(QAbstractFileIconProvider::Network);
    static const QIcon computer = providerIcon(QAbstractFileIconProvider::Computer);
    static const QIcon drive = providerIcon(QAbstractFileIconProvider::Drive);
    static const QIcon folder = providerIcon(QAbstractFileIconProvider::Folder);
    switch (kind) {
        case ShellKind::Desktop:
            return desktop;
        case ShellKind::RecycleBin:
            return trash;
        case ShellKind::Network:
        case ShellKind::NetworkShare:
            return network;
        case ShellKind::Computer:
            return computer;
        case ShellKind::Drive:
            return drive;
        case ShellKind::Folder:
            break;
    }
    return folder;
}

// Filling shows the hourglass and paints once at the end.
class BusyFilling {
public:
    explicit BusyFilling(QWidget* widget) : widget_(widget), updates_(widget->updatesEnabled()) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        widget_->setUpdatesEnabled(false);
    }
    ~BusyFilling() {
        widget_->setUpdatesEnabled(updates_);
        QApplication::restoreOverrideCursor();
    }

private:
    QWidget* widget_;
    bool updates_;
};

void deleteChildren(QTreeWidgetItem* node) {
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    qDeleteAll(children);
}

}  // namespace

TFolderTree::TFolderTree(QWidget* parent, ShellNamespace* shell)
    : QTreeWidget(parent), shell_(shell ? shell : &shellNamespace()) {
    setHeaderHidden(true);
    setAccessibleName(QStringLiteral("Folders"));
    setColumnCount(1);
    setIndentation(19);
    setUniformRowHeights(true);
    // Long names scroll sideways instead of being cut off.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    root_ = makeNode(shell_->desktop(), 1);
    addTopLevelItem(root_);
    // The root lists these and nothing else of the desktop.
    recycleBin_ = addNode(root_, shell_->recycleBin());
    network_ = addNode(root_, shell_->network());
    computer_ = addNode(root_, shell_->computer());
    root_->filled = true;
    fill(computer_);
    root_->setExpanded(true);

    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (TFolderNode* node = asNode(item))
            fill(node);
    });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { selectionChanged(current); });
    connect(shell_, &ShellNamespace::devicesChanged, this, &TFolderTree::DevicesChanged);
    // Scrolling by the bars is the user's: the selection may leave the view.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this] { revealCurrent_ = false; });
}

TFolderTree::~TFolderTree() {
    // Nodes stop their watchers as they go; nobody hears of the emptied selection.
    blockSignals(true);
    clear();
}

TFolderNode* TFolderTree::makeNode(const ShellItem& item, qint64 stamp) {
    auto* node = new TFolderNode(this, nextId_++, item, stamp);
    node->setText(0, shownText(item.displayName));
    node->setIcon(0, iconOf(item.kind));
    node->setChildIndicatorPolicy(item.hasSubfolders
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    nodes_.insert(node->id, node);
    return node;
}

TFolderNode* TFolderTree::addNode(QTreeWidgetItem* parent, const ShellItem& item) {
    TFolderNode* node = makeNode(item, 1);
    parent->addChild(node);
    return node;
}

std::vector<ShellItem> TFolderTree::ordered(const TFolderNode* parent,
                                            std::vector<ShellItem> items) const {
    const ShellKind kind = parent->item.kind;
    // "Computer" and the network keep the namespace's order.
    if (kind == ShellKind::Computer || kind == ShellKind::Network || kind == ShellKind::Desktop)
        return items;
    std::stable_sort(items.begin(), items.end(), [](const ShellItem& a, const ShellItem& b) {
        const int c = a.displayName.compare(b.displayName, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.displayName < b.displayName;
    });
    return items;
}

void TFolderTree::fill(TFolderNode* node) {
    if (node->filled)
        return;
    int added = 0;
    {
        BusyFilling busy(this);
        auto items = shell_->folders(node->item);
        // Could not be read: keep the button, try again on the next expansion.
        if (!items)
            return;
        node->filled = true;
        QList<QTreeWidgetItem*> children;
        children.reserve(qsizetype(items->size()));
        for (const ShellItem& item : ordered(node, std::move(*items))) {
            const qint64 stamp =
                item.kind == ShellKind::Drive ? shell_->mediumStamp(item) : node->stamp;
            children.append(makeNode(item, stamp));
        }
        node->addChildren(children);
        added = int(children.size());
    }
    if (added == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    else
        startWatcher(node);
}

void TFolderTree::startWatcher(TFolderNode* node) {
    if (node->watcher || !hasPath(node->item.kind))
        return;
    auto watcher = std::make_unique<TThDirChange>(this, node->id, nodeDirectory(node));
    if (watcher->Watching())
        node->watcher = std::move(watcher);
}

int TFolderTree::watcherCount() const {
    int running = 0;
    for (const TFolderNode* node : nodes_)
        if (node->watcher && node->watcher->Watching())
            ++running;
    return running;
}

void TFolderTree::DirChanged(quint64 nodeId) {
    TFolderNode* node = nodes_.value(nodeId);
    if (!node) {
        // Sent before its node went away; the id finds nothing, as it should.
        ++staleRequests_;
        return;
    }
    if (node->watcher)
        node->watcher->requestTaken();
    refresh(node);
}

void TFolderTree::refresh(TFolderNode* node) {
    if (!node->filled)
        return;
    auto items = shell_->folders(node->item);
    if (!items) {
        // The folder went away (or shut us out): so do its subfolders.
        BusyFilling busy(this);
        node->watcher.reset();
        deleteChildren(node);
        node->filled = false;
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
        return;
    }
    mergeChildren(node, ordered(node, std::move(*items)));
}

// Brings the children in line with the namespace: gone ones are deleted, new
// ones inserted in order, the others kept with their own children, expansion
// and selection, so a change next door does not fold up what the user opened.
void TFolderTree::mergeChildren(TFolderNode* node, std::vector<ShellItem> items) {
    {
        BusyFilling busy(this);
        QHash<QString, const ShellItem*> wanted;
        for (const ShellItem& item : items)
            wanted.insert(item.inFolderName, &item);
        for (int i = node->childCount() - 1; i >= 0; --i) {
            TFolderNode* child = asNode(node->child(i));
            if (!child || !wanted.contains(child->item.inFolderName))
                delete node->child(i);
        }
        QHash<QString, TFolderNode*> kept;
        for (int i = 0; i < node->childCount(); ++i)
            if (TFolderNode* child = asNode(node->child(i)))
                kept.insert(child->item.inFolderName, child);

        int row = 0;
        for (const ShellItem& item : items) {
            if (TFolderNode* child = kept.value(item.inFolderName)) {
                const bool removable = child->item.removable;
                child->item.displayName = item.displayName;
                child->item.hasSubfolders = item.hasSubfolders;
                child->item.removable = removable || item.removable;
                child->setText(0, shownText(item.displayName));
                if (!child->filled)
                    child->setChildIndicatorPolicy(
                        item.hasSubfolders ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicatorWhenChildless);
                row = node->child(row) == child ? row + 1 : node->indexOfChild(child) + 1;
                continue;
            }
            const qint64 stamp =
                item.kind == ShellKind::Drive ? shell_->mediumStamp(item) : node->stamp;
            node->insertChild(row++, makeNode(item, stamp));
        }
    }
    node->setChildIndicatorPolicy(node->childCount() == 0
                                      ? QTreeWidgetItem::DontShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (node->childCount() > 0)
        startWatcher(node);
}

TFolderNode* TFolderTree::driveOf(QTreeWidgetItem* item) const {
    for (TFolderNode* node = asNode(item); node; node = asNode(node->parent()))
        if (node->item.kind == ShellKind::Drive)
            return node;
    return nullptr;
}

bool TFolderTree::checkMedium(TFolderNode* drive) {
    const qint64 stamp = shell_->mediumStamp(drive->item);
    if (stamp == drive->stamp)
        return false;
    // Also from "no medium" (-1): a disc put into an empty drive must show its folders.
    drive->stamp = stamp;
    rereadDrive(drive);
    return true;
}

void TFolderTree::rereadDrive(TFolderNode* drive) {
    drive->setExpanded(false);
    drive->watcher.reset();
    deleteChildren(drive);
    drive->filled = false;
    if (const auto fresh = shell_->drive(drive->item.parsingName)) {
        drive->item.displayName = fresh->displayName;
        drive->setText(0, shownText(fresh->displayName));
    }
    drive->item.hasSubfolders = true;
    drive->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

void TFolderTree::selectionChanged(QTreeWidgetItem* current) {
    if (inSelection_)
        return;
    if (TFolderNode* drive = driveOf(current); drive && drive->item.removable) {
        inSelection_ = true;
        const bool onDrive = current == drive;
        // Re-reading drops the drive's children, the selected one among them.
        if (checkMedium(drive) && !onDrive)
            setCurrentItem(drive);
        inSelection_ = false;
    }
    emit Change();
}

void TFolderTree::DevicesChanged() {
    for (TFolderNode* parent : {computer_, network_}) {
        if (!parent->filled)
            continue;
        if (auto items = shell_->folders(parent->item))
            mergeChildren(parent, std::move(*items));
    }
    for (int i = 0; i < computer_->childCount(); ++i) {
        TFolderNode* drive = asNode(computer_->child(i));
        if (drive && drive->item.removable)
            checkMedium(drive);
    }
}

QString TFolderTree::nodeDirectory(const QTreeWidgetItem* item) const {
    const TFolderNode* node = asNode(item);
    if (!node)
        return {};
    if (node->item.kind == ShellKind::Desktop || hasPath(node->item.kind))
        return node->item.parsingName;
    return {};
}

QString TFolderTree::Directory() const {
    return nodeDirectory(currentItem());
}

void TFolderTree::setDirectory(const QString& path) {
    if (path.isEmpty()) {
        setCurrentItem(nullptr);
        return;
    }
    const QString clean =
        QDir::cleanPath(path.startsWith(u'/') ? path : currentDirectory() + u'/' + path);

    // The drive (or share) is the longest mount point that holds the path.
    fill(computer_);
    fill(network_);
    TFolderNode* node = nullptr;
    for (TFolderNode* parent : {computer_, network_}) {
        for (int i = 0; i < parent->childCount(); ++i) {
            TFolderNode* child = asNode(parent->child(i));
            if (!child || !pathIsUnder(clean, child->item.parsingName))
                continue;
            if (!node || child->item.parsingName.size() > node->item.parsingName.size())
                node = child;
        }
    }
    if (!node) {
        setCurrentItem(nullptr);
        return;
    }
    root_->setExpanded(true);
    node->parent()->setExpanded(true);

    const QStringList parts =
        clean.mid(node->item.parsingName.size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        fill(node);
        node->setExpanded(true);
        TFolderNode* exact = nullptr;
        TFolderNode* caseless = nullptr;
        for (int i = 0; i < node->childCount() && !exact; ++i) {
            TFolderNode* child = asNode(node->child(i));
            if (!child)
                continue;
            if (child->item.inFolderName == part)
                exact = child;
            else if (!caseless && child->item.inFolderName.compare(part, Qt::CaseInsensitive) == 0)
                caseless = child;
        }
        TFolderNode* next = exact ? exact : caseless;
        if (!next)
            break;  // the deepest node found so far
        node = next;
    }
    setCurrentItem(node);
    scrollToItem(node);
    revealCurrent_ = true;
}

void TFolderTree::updateGeometries() {
    QTreeWidget::updateGeometries();
    // A scroll bar that appears after the scroll (a long name, a taller
    // list) would cover the node again.
    if (revealCurrent_ && currentItem())
        scrollToItem(currentItem());
}

void TFolderTree::mousePressEvent(QMouseEvent* event) {
    revealCurrent_ = false;
    QTreeWidget::mousePressEvent(event);
}

void TFolderTree::wheelEvent(QWheelEvent* event) {
    revealCurrent_ = false;
    QTreeWidget::wheelEvent(event);
}

void TFolderTree::keyPressEvent(QKeyEvent* event) {
    revealCurrent_ = false;
    QTreeWidget::keyPressEvent(event);
}

void TFolderTree::setTextCase(TextCase textCase) {
    if (textCase == textCase_)
        return;
    textCase_ = textCase;
    for (TFolderNode* node : std::as_const(nodes_))
        node->setText(0, shownText(node->item.displayName));
}

QString TFolderTree::shownText(const QString& name) const {
    switch (textCase_) {
        case tcLowerCase:
            return name.toLower();
        case tcUpperCase:
            return name.toUpper();
        case tcAsIs:
            break;
    }
    return name;
}

QTreeWidgetItem* TFolderTree::rootNode() const {
    return root_;
}
QTreeWidgetItem* TFolderTree::recycleBinNode() const {
    return recycleBin_;
}
QTreeWidgetItem* TFolderTree::networkNode() const {
    return network_;
}
QTreeWidgetItem* TFolderTree::computerNode() const {
    return computer_;
}

ShellItem TFolderTree::nodeItem(const QTreeWidgetItem* node) const {
    const TFolderNode* n = asNode(node);
    return n ? n->item : ShellItem{};
}

bool TFolderTree::isFilled(const QTreeWidgetItem* node) const {
    const TFolderNode* n = asNode(node);
    return n && n->filled;
}

}  // namespace lumora

#include "app/folder_tree.h"

#include <QDir>
#include <QHeaderView>

namespace lumora {

namespace {
constexpr int kPathRole = Qt::UserRole;
}

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setIndentation(19);
    auto* root = new QTreeWidgetItem(this, {QStringLiteral("/")});
    root->setData(0, kPathRole, QStringLiteral("/"));
    root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (item->childCount() == 0) fill(item);
    });
    connect(this, &QTreeWidget::currentItemChanged, this, &TFolderTree::Change);
}

void TFolderTree::fill(QTreeWidgetItem* item) {
    const QDir dir(item->data(0, kPathRole).toString());
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto* child = new QTreeWidgetItem(item, {name});
        child->setData(0, kPathRole, dir.filePath(name));
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
}

QString TFolderTree::Directory() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kPathRole).toString() : QString();
}

void TFolderTree::setDirectory(const QString& path) {
    QTreeWidgetItem* node = topLevelItem(0);
    const QStringList parts = QDir::cleanPath(path).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (node->childCount() == 0) fill(node);
        node->setExpanded(true);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0).compare(part, Qt::CaseInsensitive) == 0) next = node->child(i);
        if (!next) break;
        node = next;
    }
    setCurrentItem(node);
}

}  // namespace lumora

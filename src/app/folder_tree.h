#pragma once

#include "platform/shell_namespace.h"

#include <QHash>
#include <QTreeWidget>

namespace lumora {

class TFolderNode;

// The folder tree over the shell namespace: the desktop at the root, under it
// the trash, the network and "Computer" with one node per drive. Folders are
// read on first expansion; every filled folder node is kept current by its
// TThDirChange watcher, and "Computer" follows the mount table.
class TFolderTree : public QTreeWidget {
    Q_OBJECT
public:
    enum TextCase { tcAsIs, tcLowerCase, tcUpperCase };

    // shell == nullptr: the desktop's namespace (shellNamespace()).
    explicit TFolderTree(QWidget* parent = nullptr, ShellNamespace* shell = nullptr);
    ~TFolderTree() override;

    // File-system path of the selected node: the desktop folder for the root,
    // the folder's path for drives, shares and folders; empty for the trash,
    // the network, "Computer" and when nothing is selected.
    QString Directory() const;
    // Selects the deepest node of the path, expanding nodes on the way; selects
    // nothing when no drive holds the path.
    void setDirectory(const QString& path);

    TextCase textCase() const { return textCase_; }
    void setTextCase(TextCase textCase);

    QTreeWidgetItem* rootNode() const;
    QTreeWidgetItem* recycleBinNode() const;
    QTreeWidgetItem* networkNode() const;
    QTreeWidgetItem* computerNode() const;
    // What a node shows; default item for nullptr.
    ShellItem nodeItem(const QTreeWidgetItem* node) const;
    QString nodeDirectory(const QTreeWidgetItem* node) const;
    // The node's children have been read.
    bool isFilled(const QTreeWidgetItem* node) const;

    // Watchers running for this tree's nodes.
    int watcherCount() const;
    // Re-read requests that arrived for nodes no longer in the tree.
    int staleRequests() const { return staleRequests_; }

    // A watcher's request: re-read the node's children.
    void DirChanged(quint64 nodeId);
    // The mount table changed: drives and shares came or went, media changed.
    void DevicesChanged();

signals:
    void Change();

protected:
    // Keeps the node that setDirectory selected in view while the view
    // settles (columns, scroll bars), until the user moves the view.
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TFolderNode;

    TFolderNode* addNode(QTreeWidgetItem* parent, const ShellItem& item);
    TFolderNode* makeNode(const ShellItem& item, qint64 stamp);
    void fill(TFolderNode* node);
    void refresh(TFolderNode* node);
    void mergeChildren(TFolderNode* node, std::vector<ShellItem> items);
    std::vector<ShellItem> ordered(const TFolderNode* parent, std::vector<ShellItem> items) const;
    void startWatcher(TFolderNode* node);
    void rereadDrive(TFolderNode* drive);
    bool checkMedium(TFolderNode* drive);
    TFolderNode* driveOf(QTreeWidgetItem* node) const;
    void selectionChanged(QTreeWidgetItem* current);
    QString shownText(const QString& name) const;

    ShellNamespace* shell_;
    TextCase textCase_ = tcAsIs;
    quint64 nextId_ = 1;
    QHash<quint64, TFolderNode*> nodes_;
    TFolderNode* root_ = nullptr;
    TFolderNode* recycleBin_ = nullptr;
    TFolderNode* network_ = nullptr;
    TFolderNode* computer_ = nullptr;
    int staleRequests_ = 0;
    bool inSelection_ = false;
    bool revealCurrent_ = false;
};

}  // namespace lumora

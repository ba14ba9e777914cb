#pragma once

#include <QTreeWidget>

namespace lumora {

// The folder tree over the desktop, the trash, the network and the drives.
class TFolderTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFolderTree(QWidget* parent = nullptr);

    // File-system path of the selected node; empty for nodes without one.
    QString Directory() const;
    void setDirectory(const QString& path);

signals:
    void Change();

private:
    void fill(QTreeWidgetItem* item);
};

}  // namespace lumora

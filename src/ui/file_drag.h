#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class QUrl;
class QWidget;

namespace lumora {

// Files dropped onto its owner window from the desktop: while EnableDrop is
// on the window takes drops of local files, fills the three lists (one entry
// per file, in the order dropped) and reports OnDrop. Other URLs are left out.
class TFileDrag : public QObject {
    Q_OBJECT
public:
    explicit TFileDrag(QWidget* owner);

    bool EnableDrop() const { return enableDrop_; }
    void setEnableDrop(bool on);

    int FileCount() const { return int(NameWithPath.size()); }
    QStringList NameWithPath;  // full paths
    QStringList NameOnly;      // names without their folder
    QStringList Extension;     // extensions without the dot

    // Takes a drop of these URLs as a drop from the desktop would come.
    void drop(const QList<QUrl>& urls);

signals:
    void OnDrop();

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    QWidget* owner_;
    bool enableDrop_ = false;
};

}  // namespace lumora

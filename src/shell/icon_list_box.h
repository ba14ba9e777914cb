#pragma once

#include "platform/icons.h"

#include <QImage>
#include <QListView>
#include <QString>
#include <optional>
#include <vector>

class QWidget;

namespace lumora {

class TIconListModel;

// Pixel side of a standard icon drawn on widget: the style's large icon size
// at the widget's (else the application's) pixel ratio.
int standardIconPixels(const QWidget* widget = nullptr);

// The icons of one file in a multi-column list: items flow down, then into
// the next column, XIcons columns across; each item is named by its number.
// Used by the main window's preview, the association window and the
// shortcut's icon picker.
class TIconListBox : public QListView {
    Q_OBJECT
public:
    explicit TIconListBox(QWidget* parent = nullptr);
    ~TIconListBox() override;

    QString FileName() const { return fileName_; }
    // Loads the file's icons when the name differs from the current one; an
    // empty name clears the list.
    void setFileName(const QString& fileName);
    // On: enabled only while FileName names an existing file.
    bool AutoDisable() const { return autoDisable_; }
    void setAutoDisable(bool on);
    // On: an icon is extracted when its cell is first drawn and kept. Off: all
    // are extracted as the file loads, under the busy cursor.
    bool EnableCaching() const { return enableCaching_; }
    void setEnableCaching(bool on) { enableCaching_ = on; }
    // -1 while no file is loaded.
    int NumberOfIcons() const { return numberOfIcons_; }
    // Columns and rows visible at once; values below 1 are ignored.
    int XIcons() const { return xIcons_; }
    void setXIcons(int columns);
    int YIcons() const { return yIcons_; }
    void setYIcons(int rows);
    // The selected icon's number, -1 for none; setting it reports no Click.
    int ItemIndex() const;
    void setItemIndex(int index);

    // The icon item index shows, extracted now if it was not yet; null for
    // an empty cell.
    QImage Icon(int index);
    // Whether item index holds its icon already.
    bool HasIcon(int index) const;
    // The size of an item's cell.
    QSize cellSize() const;
    QSize sizeHint() const override;

signals:
    // A new FileName was loaded.
    void OnFileChanged();
    // The user picked an icon: a click on one or a key that moved the selection.
    void Click();
    void DblClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyColumns();
    void resizeToIcons();

    TIconListModel* model_;
    QString fileName_;
    bool autoDisable_ = false;
    bool enableCaching_ = true;
    int numberOfIcons_ = -1;
    int xIcons_ = 4;
    int yIcons_ = 4;
    IconResources icons_;
    int iconPixels_ = 0;                       // the side the kept icons were extracted at
    std::vector<std::optional<QImage>> kept_;  // by item; nothing: not extracted yet
};

}  // namespace lumora

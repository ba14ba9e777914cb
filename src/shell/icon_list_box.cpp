#include "shell/icon_list_box.h"

#include "base/file_name.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace lumora {

int standardIconPixels(const QWidget* widget) {
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const qreal ratio = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    return qRound(style->pixelMetric(QStyle::PM_LargeIconSize, nullptr, widget) * ratio);
}

// Items named by their numbers; the cells draw the icons.
class TIconListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setCount(int count) {
        beginResetModel();
        count_ = count;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : count_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        return QString::number(index.row());
    }

private:
    int count_ = 0;
};

namespace {

constexpr int kCellMargin = 4;

// Draws an item's icon centred in its cell on the cell's background.
class IconCellDelegate final : public QStyledItemDelegate {
public:
    explicit IconCellDelegate(TIconListBox* box) : QStyledItemDelegate(box), box_(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect,
                          selected ? option.palette.highlight() : option.palette.base());
        const QImage icon = box_->Icon(index.row());
        if (!icon.isNull()) {
            const qreal side = icon.width() / box_->devicePixelRatioF();
            QRectF target(0, 0, side, side);
            target.moveCenter(QRectF(option.rect).center());
            painter->save();
            painter->setClipRect(option.rect);
            painter->drawImage(target, icon);
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor =
                option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            box_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, box_);
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return box_->gridSize();
    }

private:
    TIconListBox* box_;
};

// The busy cursor while all icons are extracted; the cursor that was comes back.
class BusyCursor {
public:
    explicit BusyCursor(bool busy) : busy_(busy) {
        if (busy_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (busy_)
            QApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool busy_;
};

}  // namespace

TIconListBox::TIconListBox(QWidget* parent) : QListView(parent), model_(new TIconListModel(this)) {
    setModel(model_);
    setItemDelegate(new IconCellDelegate(this));
    // A multi-column list: down first, then the next column, scrolled sideways.
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resizeToIcons();
}

TIconListBox::~TIconListBox() = default;

void TIconListBox::setFileName(const QString& fileName) {
    if (fileName == fileName_)
        return;
    fileName_ = fileName;
    kept_.clear();
    icons_ = IconResources();
    numberOfIcons_ = -1;
    model_->setCount(0);
    const bool exists = !fileName.isEmpty() && fileExists(fileName);
    setEnabled(!autoDisable_ || exists);
    if (exists) {
        const BusyCursor busy(!enableCaching_);
        icons_ = IconResources::open(fileName);
        numberOfIcons_ = icons_.count();
        iconPixels_ = standardIconPixels(this);
        kept_.assign(size_t(numberOfIcons_), std::nullopt);
        if (!enableCaching_)
            for (int i = 0; i < numberOfIcons_; ++i)
                kept_[size_t(i)] = icons_.icon(i, iconPixels_);
        model_->setCount(numberOfIcons_);
        setItemIndex(0);
    }
    emit OnFileChanged();
}

void TIconListBox::setAutoDisable(bool on) {
    autoDisable_ = on;
    setEnabled(!on || (!fileName_.isEmpty() && fileExists(fileName_)));
}

void TIconListBox::setXIcons(int columns) {
    if (columns < 1)
        return;
    xIcons_ = columns;
    resizeToIcons();
}

void TIconListBox::setYIcons(int rows) {
    if (rows < 1)
        return;
    yIcons_ = rows;
    resizeToIcons();
}

int TIconListBox::ItemIndex() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TIconListBox::setItemIndex(int index) {
    if (index >= 0 && index < model_->rowCount()) {
        setCurrentIndex(model_->index(index));
    } else {
        clearSelection();
        setCurrentIndex({});
    }
}

QImage TIconListBox::Icon(int index) {
    if (index < 0 || size_t(index) >= kept_.size())
        return {};
    // Moved to a screen of another pixel ratio: the icons come again at its size.
    if (const int pixels = standardIconPixels(this); pixels != iconPixels_) {
        iconPixels_ = pixels;
        std::fill(kept_.begin(), kept_.end(), std::nullopt);
    }
    std::optional<QImage>& slot = kept_[size_t(index)];
    if (!slot)
        slot = icons_.icon(index, iconPixels_);
    return *slot;
}

bool TIconListBox::HasIcon(int index) const {
    return index >= 0 && size_t(index) < kept_.size() && kept_[size_t(index)].has_value();
}

QSize TIconListBox::cellSize() const {
    const int side =
        style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this) + 2 * kCellMargin;
    return {side, side};
}

QSize TIconListBox::sizeHint() const {
    const QSize cell = cellSize();
    return {cell.width() * xIcons_ + 2,
            cell.height() * yIcons_ +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 1};
}

void TIconListBox::resizeToIcons() {
    resize(sizeHint());
    updateGeometry();
    applyColumns();
}

// XIcons columns share the width, as many rows as fit the height.
void TIconListBox::applyColumns() {
    setGridSize(QSize(std::max(1, viewport()->width() / xIcons_), cellSize().height()));
}

void TIconListBox::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    applyColumns();
}

void TIconListBox::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit Click();
}

void TIconListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit DblClick();
}

void TIconListBox::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit Click();
}

}  // namespace lumora

#include "ui/tabbed_notebook.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace lumora {
namespace {

// One tab, drawn as the style draws a tab bar's tab.
class NotebookTab final : public QAbstractButton {
public:
    NotebookTab(const QString& caption, QWidget* strip, std::function<void(int)> step)
        : QAbstractButton(strip), step_(std::move(step)) {
        setText(caption);
        setCheckable(true);
        setAutoExclusive(true);
        setFocusPolicy(Qt::NoFocus);
    }

    void setPosition(QStyleOptionTab::TabPosition position) {
        position_ = position;
        update();
    }

    QSize sizeHint() const override {
        QStyleOptionTab option = styleOption();
        const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
        const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
        const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, text());
        return style()->sizeFromContents(QStyle::CT_TabBarTab, &option,
                                         caption + QSize(hspace, vspace), this);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.drawControl(QStyle::CE_TabBarTab, styleOption());
    }

    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up:
                step_(-1);
                return;
            case Qt::Key_Right:
            case Qt::Key_Down:
                step_(1);
                return;
            default:
                QAbstractButton::keyPressEvent(event);
        }
    }

    // A tab is never unchecked by clicking it again.
    void nextCheckState() override { setChecked(true); }

private:
    QStyleOptionTab styleOption() const {
        QStyleOptionTab option;
        option.initFrom(this);
        option.text = text();
        option.shape = QTabBar::RoundedNorth;
        option.position = position_;
        option.selectedPosition = QStyleOptionTab::NotAdjacent;
        option.state &= ~QStyle::State_HasFocus;
        if (isChecked())
            option.state |= QStyle::State_Selected;
        if (hasFocus())
            option.state |= QStyle::State_HasFocus;
        if (isDown() || underMouse())
            option.state |= QStyle::State_MouseOver;
        return option;
    }

    std::function<void(int)> step_;
    QStyleOptionTab::TabPosition position_ = QStyleOptionTab::OnlyOneTab;
};

// The row of tabs as a screen reader knows it: a page tab list.
class NotebookStrip final : public QWidget {
public:
    using QWidget::QWidget;
};

class TabAccessible final : public QAccessibleWidget {
public:
    explicit TabAccessible(QWidget* tab) : QAccessibleWidget(tab, QAccessible::PageTab) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* notebookAccessible(const QString&, QObject* object) {
    if (auto* tab = dynamic_cast<NotebookTab*>(object))
        return new TabAccessible(tab);
    if (auto* strip = dynamic_cast<NotebookStrip*>(object))
        return new QAccessibleWidget(strip, QAccessible::PageTabList);
    return nullptr;
}

}  // namespace

TTabbedNotebook::TTabbedNotebook(QWidget* parent) : QWidget(parent) {
    static const bool accessibleTabs = [] {
        QAccessible::installFactory(notebookAccessible);
        return true;
    }();
    Q_UNUSED(accessibleTabs);

    strip_ = new NotebookStrip(this);
    strip_->setObjectName(QStringLiteral("tabs"));
    strip_->setAccessibleName(QStringLiteral("Pages"));
    pages_ = new QStackedWidget(this);
    connect(pages_, &QStackedWidget::currentChanged, this, [this](int index) {
        layoutTabs();
        emit currentChanged(index);
    });

    // Ctrl+Tab and Ctrl+Page Down turn the pages as in any tabbed dialog.
    const auto turn = [this](int step) {
        if (count() > 0)
            setCurrentIndex((currentIndex() + step + count()) % count());
    };
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}) {
        auto* next = new QShortcut(keys, this);
        next->setContext(Qt::WidgetWithChildrenShortcut);
        connect(next, &QShortcut::activated, this, [turn] { turn(1); });
    }
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::Key_PageUp)}) {
        auto* previous = new QShortcut(keys, this);
        previous->setContext(Qt::WidgetWithChildrenShortcut);
        connect(previous, &QShortcut::activated, this, [turn] { turn(-1); });
    }
}

int TTabbedNotebook::addTab(QWidget* page, const QString& caption) {
    const int index = pages_->addWidget(page);
    auto* tab = new NotebookTab(caption, strip_, [this](int step) {
        if (count() == 0)
            return;
        setCurrentIndex((currentIndex() + step + count()) % count());
        tabs_[currentIndex()]->setFocus(Qt::TabFocusReason);
    });
    tabs_ << tab;
    connect(tab, &QAbstractButton::clicked, this,
            [this, tab] { setCurrentIndex(tabs_.indexOf(tab)); });
    tab->show();
    if (index == pages_->currentIndex())
        tab->setChecked(true);
    layoutTabs();
    updateGeometry();
    return index;
}

int TTabbedNotebook::count() const {
    return pages_->count();
}

QWidget* TTabbedNotebook::widget(int index) const {
    return pages_->widget(index);
}

QString TTabbedNotebook::tabText(int index) const {
    return index >= 0 && index < tabs_.size() ? tabs_[index]->text() : QString();
}

void TTabbedNotebook::setTabText(int index, const QString& caption) {
    if (index < 0 || index >= tabs_.size())
        return;
    tabs_[index]->setText(caption);
    layoutTabs();
    updateGeometry();
}

int TTabbedNotebook::currentIndex() const {
    return pages_->currentIndex();
}

void TTabbedNotebook::setCurrentIndex(int index) {
    if (index < 0 || index >= count())
        return;
    pages_->setCurrentIndex(index);
    // Also when the page was current already: a click never unchecks a tab.
    layoutTabs();
}

QAbstractButton* TTabbedNotebook::tab(int index) const {
    return index >= 0 && index < tabs_.size() ? tabs_[index] : nullptr;
}

QList<QList<int>> TTabbedNotebook::rows(int width) const {
    QList<QList<int>> result;
    int used = 0;
    for (int i = 0; i < tabs_.size(); ++i) {
        const int tabWidth = tabs_[i]->sizeHint().width();
        if (result.isEmpty() || (used + tabWidth > width && !result.last().isEmpty())) {
            result.append(QList<int>());
            used = 0;
        }
        result.last() << i;
        used += tabWidth;
    }
    return result;
}

int TTabbedNotebook::tabHeight() const {
    int height = 0;
    for (const QAbstractButton* tab : tabs_)
        height = qMax(height, tab->sizeHint().height());
    return height;
}

int TTabbedNotebook::stripHeight(int width) const {
    return int(rows(width).size()) * tabHeight();
}

QRect TTabbedNotebook::paneRect() const {
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = qMax(0, stripHeight(width()) - overlap);
    return QRect(0, top, width(), height() - top);
}

void TTabbedNotebook::layoutTabs() {
    const int current = currentIndex();
    for (int i = 0; i < tabs_.size(); ++i) {
        tabs_[i]->setChecked(i == current);
        // One stop for the Tab key, as a tab bar is: the current tab.
        tabs_[i]->setFocusPolicy(i == current ? Qt::StrongFocus : Qt::NoFocus);
    }

    QList<QList<int>> ordered = rows(width());
    // The row of the current page moves next to the page, the others keep
    // their turn above it.
    for (int r = 0; r < ordered.size(); ++r) {
        if (ordered[r].contains(current)) {
            std::rotate(ordered.begin(), ordered.begin() + r + 1, ordered.end());
            break;
        }
    }
    const int rowHeight = tabHeight();
    const bool justify = ordered.size() > 1;
    for (int r = 0; r < ordered.size(); ++r) {
        const QList<int>& row = ordered[r];
        int natural = 0;
        for (int i : row)
            natural += tabs_[i]->sizeHint().width();
        // Several rows fill the width, each tab getting its share of the rest.
        const int spare = justify ? qMax(0, width() - natural) : 0;
        int x = 0;
        for (int k = 0; k < row.size(); ++k) {
            NotebookTab* tab = static_cast<NotebookTab*>(tabs_[row[k]]);
            int tabWidth = tab->sizeHint().width() + spare / int(row.size());
            if (k == row.size() - 1 && justify)
                tabWidth = width() - x;
            tab->setGeometry(x, r * rowHeight, tabWidth, rowHeight);
            tab->setPosition(row.size() == 1       ? QStyleOptionTab::OnlyOneTab
                             : k == 0              ? QStyleOptionTab::Beginning
                             : k == row.size() - 1 ? QStyleOptionTab::End
                                                   : QStyleOptionTab::Middle);
            x += tabWidth;
        }
    }
    strip_->setGeometry(0, 0, width(), int(ordered.size()) * rowHeight);
    strip_->raise();

    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    QRect contents = paneRect().adjusted(frame, frame, -frame, -frame);
    contents.setTop(qMax(contents.top(), strip_->geometry().bottom() + 1));
    pages_->setGeometry(contents);
    update();
}

QSize TTabbedNotebook::sizeHint() const {
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const QSize pages = pages_->sizeHint() + QSize(frame, frame);
    return {pages.width(), pages.height() + stripHeight(pages.width())};
}

QSize TTabbedNotebook::minimumSizeHint() const {
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    int widest = 0;
    for (const QAbstractButton* tab : tabs_)
        widest = qMax(widest, tab->sizeHint().width());
    const QSize pages = pages_->minimumSizeHint() + QSize(frame, frame);
    const int width = qMax(widest, pages.width());
    return {width, pages.height() + stripHeight(width)};
}

void TTabbedNotebook::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = paneRect();
    option.shape = QTabBar::RoundedNorth;
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    if (QAbstractButton* current = tab(currentIndex()))
        option.selectedTabRect = current->geometry();
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

void TTabbedNotebook::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutTabs();
}

bool TTabbedNotebook::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::LayoutRequest:
            layoutTabs();
            break;
        default:
            break;
    }
    return handled;
}

}  // namespace lumora

#include "media/win_roller.h"

#include "platform/errors.h"
#include "platform/net_wm_state.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace lumora {
namespace {

constexpr const char* kShaded = "_NET_WM_STATE_SHADED";
// A window manager that announces shading but leaves a window as it was
// within this time does not shade it: the roller rolls it up itself. After
// it, the roller takes the window's state as the window manager's own.
constexpr int kWindowManagerAnswerMs = 1000;

QWidget* ownerWindow(QObject* owner) {
    auto* window = qobject_cast<QWidget*>(owner);
    if (!window || !window->isWindow())
        throw EError(QStringLiteral("Class of the owner is not a TForm!"));
    return window;
}

}  // namespace

TWinRoller::TWinRoller(QObject* owner) : QObject(owner), window_(ownerWindow(owner)) {
    strip_ = new QLabel(window_->windowTitle(), window_);
    strip_->setObjectName(QStringLiteral("RollerStrip"));
    strip_->setAutoFillBackground(true);
    QPalette palette = strip_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
    strip_->setPalette(palette);
    QFont font = strip_->font();
    font.setBold(true);
    strip_->setFont(font);
    strip_->setMargin(2);
    strip_->setFocusPolicy(Qt::StrongFocus);
    strip_->setAccessibleName(window_->windowTitle());
    strip_->setAccessibleDescription(
        QStringLiteral("Rolled up: double-click or press Enter to roll down"));
    strip_->hide();
    strip_->installEventFilter(this);
    window_->installEventFilter(this);

    rollUp_ = new QAction(QStringLiteral("Roll Up"), window_);
    rollUp_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    rollDown_ = new QAction(QStringLiteral("Roll Down"), window_);
    rollDown_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    for (QAction* action : {rollUp_, rollDown_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window_->addAction(action);
    }
    connect(rollUp_, &QAction::triggered, this, [this] { setRoller(true); });
    connect(rollDown_, &QAction::triggered, this, [this] { setRoller(false); });
    window_->setContextMenuPolicy(Qt::ActionsContextMenu);
    updateActions();

    answer_ = new QTimer(this);
    answer_->setSingleShot(true);
    answer_->setInterval(kWindowManagerAnswerMs);
    connect(answer_, &QTimer::timeout, this, &TWinRoller::answerTimedOut);
    watch_ = new NetWmStateWatch(window_);
    connect(watch_, &NetWmStateWatch::changed, this, &TWinRoller::followWindowManager);
}

void TWinRoller::setEnabled(bool enabled) {
    enabled_ = enabled;
    updateActions();
}

void TWinRoller::setVisible(bool visible) {
    visible_ = visible;
    updateActions();
}

void TWinRoller::updateActions() {
    rollUp_->setVisible(visible_);
    rollDown_->setVisible(visible_);
    rollUp_->setEnabled(enabled_ && !rolled_);
    rollDown_->setEnabled(enabled_ && rolled_);
}

void TWinRoller::setRoller(bool rolled) {
    if (rolled == rolled_)
        return;
    if (shadedByWindowManager_) {
        requestNetWmState(window_, kShaded, false);
        shadedByWindowManager_ = false;
        awaitAnswer(0);
    } else if (rolled && netWmStateOffered(kShaded) && requestNetWmState(window_, kShaded, true)) {
        shadedByWindowManager_ = true;
        awaitAnswer(1);
    } else {
        rollOwnWay(rolled);
    }
    changed(rolled);
}

void TWinRoller::awaitAnswer(int state) {
    awaiting_ = state;
    if (state < 0)
        answer_->stop();
    else
        answer_->start();
}

void TWinRoller::answerTimedOut() {
    const int wanted = std::exchange(awaiting_, -1);
    if (wanted == 1 && !hasNetWmState(window_, kShaded)) {
        // Announced, but not done for this window: rolled up our own way.
        shadedByWindowManager_ = false;
        rollOwnWay(true);
        return;
    }
    followWindowManager();
}

void TWinRoller::rollOwnWay(bool rolled) {
    if (rolled) {
        minimum_ = window_->minimumSize();
        maximum_ = window_->maximumSize();
        whole_ = window_->size();
        focusBefore_ = window_->focusWidget();
        const int height = strip_->sizeHint().height();
        strip_->setGeometry(0, 0, window_->width(), height);
        strip_->show();
        strip_->raise();
        strip_->setFocus();
        window_->setFixedSize(window_->width(), height);
    } else {
        strip_->hide();
        window_->setMinimumSize(minimum_);
        window_->setMaximumSize(maximum_);
        window_->resize(whole_);
        if (focusBefore_)
            focusBefore_->setFocus();
    }
}

void TWinRoller::followWindowManager() {
    const bool shaded = hasNetWmState(window_, kShaded);
    if (awaiting_ >= 0) {
        // Other states change too while our request is on its way; what the
        // window manager did meanwhile is taken up when the wait ends.
        if (shaded == (awaiting_ == 1))
            awaitAnswer(-1);
        return;
    }
    if (rolled_ && !shadedByWindowManager_)
        return;  // rolled up our own way: the window manager's state is not ours
    if (shaded == shadedByWindowManager_)
        return;
    shadedByWindowManager_ = shaded;
    changed(shaded);
}

void TWinRoller::changed(bool rolled) {
    if (rolled == rolled_)
        return;
    rolled_ = rolled;
    updateActions();
    emit OnRoller(rolled);
}

bool TWinRoller::eventFilter(QObject* watched, QEvent* event) {
    const auto doubleClick = [event] {
        return event->type() == QEvent::MouseButtonDblClick &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    };
    if (watched == strip_) {
        bool unroll = doubleClick();
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            unroll = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        }
        if (unroll && enabled_) {
            setRoller(false);
            return true;
        }
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            if (doubleClick() && enabled_ && !rolled_) {
                setRoller(true);
                return true;
            }
            break;
        case QEvent::WindowTitleChange:
            strip_->setText(window_->windowTitle());
            strip_->setAccessibleName(window_->windowTitle());
            break;
        case QEvent::Hide:
            // The window comes back whole; the window manager forgets its
            // states of a window it unmaps.
            if (rolled_ && !event->spontaneous()) {
                if (shadedByWindowManager_) {
                    shadedByWindowManager_ = false;
                    awaitAnswer(-1);
                } else {
                    rollOwnWay(false);
                }
                changed(false);
            }
            break;
        default:
            break;
    }
    return false;
}

}  // namespace lumora

#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

class QAction;
class QLabel;
class QTimer;
class QWidget;

namespace lumora {

class NetWmStateWatch;

// Rolls its owner window up to a title strip and down again. Where the
// window manager offers shading (_NET_WM_STATE_SHADED) the window manager
// does it, and the roller follows its own gestures too; otherwise the roller
// shrinks the window to a strip of its own that shows the caption.
//
// Gestures: a double-click on the window's background rolls up, on the strip
// rolls down; Ctrl+Up and Ctrl+Down, also in the window's context menu.
class TWinRoller : public QObject {
    Q_OBJECT
public:
    // Raises EError "Class of the owner is not a TForm!" for an owner that
    // is not a top-level window.
    explicit TWinRoller(QObject* owner);

    // Whether the user's gestures roll the window.
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // Rolled up.
    bool Roller() const { return rolled_; }
    void setRoller(bool rolled);
    // Whether the roller's commands show in the window's context menu.
    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // The strip of our own roll-up; hidden while the window is whole or the
    // window manager shades it.
    QLabel* strip() const { return strip_; }

signals:
    void OnRoller(bool rolled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rollOwnWay(bool rolled);
    // Waits for the window manager's answer to a request (1 shaded, 0
    // whole), or stops waiting (-1).
    void awaitAnswer(int state);
    void answerTimedOut();
    void followWindowManager();
    void changed(bool rolled);
    void updateActions();

    QWidget* window_;
    QLabel* strip_;
    QAction* rollUp_;
    QAction* rollDown_;
    NetWmStateWatch* watch_;
    QTimer* answer_;
    bool enabled_ = true;
    bool visible_ = true;
    bool rolled_ = false;
    bool shadedByWindowManager_ = false;
    // The shade state asked of the window manager and not seen yet: 1
    // shaded, 0 whole, -1 nothing asked.
    int awaiting_ = -1;
    QPointer<QWidget> focusBefore_;
    QSize minimum_;
    QSize maximum_;
    QSize whole_;
};

}  // namespace lumora

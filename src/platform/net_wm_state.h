#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

class QWidget;

namespace lumora {

// The states a window manager keeps for a top-level window (_NET_WM_STATE of
// the EWMH: shaded, skip task bar, ...). Without X11 (tests run offscreen)
// nothing is offered and nothing is held.

// Whether the running window manager announces the state (_NET_SUPPORTED).
bool netWmStateOffered(const char* state);
// Asks the window manager to add or remove a state of a shown window; it
// answers by changing the window's property. False when there is nobody to ask.
bool requestNetWmState(QWidget* window, const char* state, bool add);
// Whether the window's property holds the state now.
bool hasNetWmState(QWidget* window, const char* state);

// Tells when the window manager changes a window's states, by request or by
// its own gestures (a double-click on the title bar).
class NetWmStateWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit NetWmStateWatch(QWidget* window);
    ~NetWmStateWatch() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void changed();

private:
    QWidget* window_;
    uint32_t stateAtom_ = 0;
};

}  // namespace lumora

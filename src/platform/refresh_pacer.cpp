#include "platform/refresh_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

namespace lumora {

RefreshPacer& RefreshPacer::instance() {
    static RefreshPacer* pacer = new RefreshPacer;  // lives as long as the application
    return *pacer;
}

RefreshPacer::RefreshPacer() {
    calm_.setSingleShot(true);
    calm_.setInterval(kActiveSpellMs);
    connect(&calm_, &QTimer::timeout, this, [this] {
        std::erase_if(busy_, [](const QPointer<QObject>& o) { return o.isNull(); });
        if (busy_.empty())
            apply(false);
    });
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
    calm_.start();
}

void RefreshPacer::add(QTimer* timer) {
    timer->setInterval(active_ ? kActiveInterval : kIdleInterval);
    timers_.emplace_back(timer);
}

void RefreshPacer::setBusy(QObject* owner, bool busy) {
    std::erase_if(busy_, [owner](const QPointer<QObject>& o) { return o.isNull() || o == owner; });
    if (busy) {
        busy_.emplace_back(owner);
        apply(true);
    } else {
        calm_.start();
    }
}

void RefreshPacer::poke() {
    calm_.start();
    if (!active_)
        apply(true);
}

void RefreshPacer::apply(bool active) {
    if (active == active_)
        return;
    active_ = active;
    std::erase_if(timers_, [](const QPointer<QTimer>& t) { return t.isNull(); });
    // A running timer restarts with the new interval, so after input the next
    // refresh comes within 16 ms, not up to a second later.
    for (const QPointer<QTimer>& timer : timers_)
        timer->setInterval(active ? kActiveInterval : kIdleInterval);
}

bool RefreshPacer::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::DragEnter:
        case QEvent::Drop:
        case QEvent::WindowActivate:
            poke();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace lumora

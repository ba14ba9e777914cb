#pragma once

// Tells a waiting benchmark, on standard output, the moment a window is first
// on screen: after its first expose has been painted.

#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWindow>
#include <cstdio>

namespace lumora::bench {

class StartupProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window->isExposed() && !reported_) {
            reported_ = true;
            // Queued, so the expose has been painted when it runs.
            QMetaObject::invokeMethod(
                this, [] { std::printf("main window shown\n"), std::fflush(stdout); },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool reported_ = false;
};

}  // namespace lumora::bench

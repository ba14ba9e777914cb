// The program with a probe that tells a waiting benchmark the moment the main
// window is first on screen (bench_platform_startup runs it).
#include "app/main_window.h"
#include "app/start_up.h"

#include <QWindow>
#include <cstdio>

namespace {

class StartupProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window->isExposed() && !reported_) {
            reported_ = true;
            // Queued, so the expose has been painted when it runs.
            QMetaObject::invokeMethod(
                this, [] { std::printf("lumora: main window shown\n"), std::fflush(stdout); },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    StartupProbe probe;
    return lumora::runProgram(argc, argv, [&probe](lumora::TForm1* main) {
        main->winId();
        main->windowHandle()->installEventFilter(&probe);
    });
}

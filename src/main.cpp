#include "app/forms.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "platform/application.h"

#include <QWindow>
#include <cstdio>

namespace {

// Tells a waiting benchmark the moment the main window is first on screen.
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
    using namespace lumora;
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));

    auto* splash = new TTempform;
    splash->showAndPaint();

    TApplication::setTitle(TForm1::applicationTitle());
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    createForms(arguments);

    splash->hide();
    delete splash;

    StartupProbe probe;
    if (qEnvironmentVariableIsSet("LUMORA_STARTUP_PROBE")) {
        forms().Form1->winId();
        forms().Form1->windowHandle()->installEventFilter(&probe);
    }
    forms().Form1->show();
    const int result = TApplication::exec();
    destroyForms();
    return result;
}

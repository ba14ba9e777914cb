#include "app/forms.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "platform/application.h"

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

    forms().Form1->show();
    const int result = TApplication::exec();
    destroyForms();
    return result;
}

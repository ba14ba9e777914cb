#include "platform/application.h"

#include "platform/dialogs.h"

#include <QApplication>

namespace lumora {
namespace {
QString applicationTitle;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString TApplication::Title() {
    return applicationTitle;
}

void TApplication::setTitle(const QString& title) {
    applicationTitle = title;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(error);
        return false;
    }
}

void TApplication::showException(const std::exception& error) {
    const QString title = applicationTitle.isEmpty() ? QStringLiteral("Error") : applicationTitle;
    // Over the window that holds the user, a full-screen show included; a box
    // without a parent could open behind it, blocking what it cannot be seen over.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    dialogs().message(parent, title, QString::fromUtf8(error.what()), MsgIcon::Error,
                      MsgButtons::Ok);
}

}  // namespace lumora

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
    dialogs().message(QApplication::activeWindow(), title, QString::fromUtf8(error.what()),
                      MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace lumora

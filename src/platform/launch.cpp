#include "platform/launch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

namespace lumora {
namespace {

// xdg-open runs some programs in the foreground and ends with their exit
// code: an ending after this long comes from a program that did open the
// document, and is no news.
constexpr qint64 kOpenerVerdictMs = 10000;

// xdg-open's documented exit codes.
QString openerFailure(int exitCode) {
    switch (exitCode) {
        case 2:
            return QStringLiteral("the file does not exist");
        case 3:
            return QStringLiteral("xdg-open found no program that opens it");
        case 4:
            return QStringLiteral("the program that opens it failed");
        default:
            return QStringLiteral("xdg-open ended with code %1").arg(exitCode);
    }
}

class DesktopLauncher final : public Launcher {
public:
    void openDocument(const QString& path, Failed failed) override {
        auto* opener = new QProcess(QCoreApplication::instance());
        // What the opener starts inherits our output, not a pipe that closes with us.
        opener->setProcessChannelMode(QProcess::ForwardedChannels);
        opener->setStandardInputFile(QProcess::nullDevice());
        QElapsedTimer running;
        running.start();
        QObject::connect(opener, &QProcess::errorOccurred, opener,
                         [opener, failed](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             opener->deleteLater();
                             if (failed)
                                 failed(QStringLiteral("xdg-open is not installed"));
                         });
        QObject::connect(opener, &QProcess::finished, opener,
                         [opener, failed, running](int exitCode, QProcess::ExitStatus status) {
                             opener->deleteLater();
                             if ((status == QProcess::NormalExit && exitCode == 0) || !failed ||
                                 running.elapsed() > kOpenerVerdictMs)
                                 return;
                             failed(status == QProcess::NormalExit
                                        ? openerFailure(exitCode)
                                        : QStringLiteral("xdg-open crashed"));
                         });
        opener->start(QStringLiteral("xdg-open"), {path});
    }

    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory) override {
        return QProcess::startDetached(program, arguments, workingDirectory);
    }
};

Launcher* current = nullptr;

}  // namespace

Launcher& launch() {
    static DesktopLauncher desktop;
    return current ? *current : desktop;
}

void setLauncher(Launcher* replacement) {
    current = replacement;
}

}  // namespace lumora

#include "platform/launch.h"

#include <QProcess>

namespace lumora {
namespace {

class DesktopLauncher final : public Launcher {
public:
    bool openDocument(const QString& path) override {
        return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
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

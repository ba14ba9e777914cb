#pragma once

#include "platform/launch.h"

#include <QStringList>

namespace lumora::test {

// Records what would have been opened or started, and starts nothing.
class FakeLauncher final : public Launcher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };

    QStringList opened;
    QStringList openedIn;  // the opener's working folder, one per opened
    std::vector<Start> started;
    bool result = true;  // what every launch reports

    void openDocument(const QString& path, const QString& workingDirectory,
                      Failed failed) override {
        opened << path;
        openedIn << workingDirectory;
        if (!result && failed)
            failed(QStringLiteral("nothing opens it"));
    }
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory) override {
        started.push_back({program, arguments, workingDirectory});
        return result;
    }
};

// Installs a launcher for the lifetime of the object.
class LauncherScope {
public:
    explicit LauncherScope(Launcher& launcher) { setLauncher(&launcher); }
    ~LauncherScope() { setLauncher(nullptr); }
};

}  // namespace lumora::test

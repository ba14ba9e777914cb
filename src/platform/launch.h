#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumora {

// Starting programs and opening files with the desktop's associated program.
class Launcher {
public:
    // What kept a document from being opened, told on the interface thread.
    using Failed = std::function<void(const QString& why)>;

    virtual ~Launcher() = default;
    // Opens a file or address with the program the desktop associates with
    // it. The opener runs on its own; when it finds no program, or the one it
    // started fails at once, `failed` hears why.
    virtual void openDocument(const QString& path, Failed failed) = 0;
    // Starts a program with its arguments in the given working folder; false
    // when it cannot be started (it is not installed).
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) = 0;
};

Launcher& launch();
// Replaces the launcher for tests; nullptr brings back the real one.
void setLauncher(Launcher* replacement);

}  // namespace lumora

#pragma once

#include <QString>
#include <QStringList>

namespace lumora {

// Starting programs and opening files with the desktop's associated program.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a file or address with the program the desktop associates with it.
    virtual bool openDocument(const QString& path) = 0;
    // Starts a program with its arguments in the given working folder.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) = 0;
};

Launcher& launch();
// Replaces the launcher for tests; nullptr brings back the real one.
void setLauncher(Launcher* replacement);

}  // namespace lumora

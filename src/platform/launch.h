#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumora {

// Starting programs and opening files with the desktop's associated program.
// Names travel as their exact bytes (encodeFileName), so files whose names
// are not UTF-8 open too.
class Launcher {
public:
    // What kept a document from being opened, told on the interface thread.
    using Failed = std::function<void(const QString& why)>;

    virtual ~Launcher() = default;
    // Opens a file or address with the program the desktop associates with
    // it, the opener started in workingDirectory (empty: ours). The opener
    // runs on its own; when it finds no program, or the one it started fails
    // at once, `failed` hears why.
    virtual void openDocument(const QString& path, const QString& workingDirectory,
                              Failed failed) = 0;
    // Starts a program with its arguments in the given working folder; a
    // program named without "/" is looked up in PATH. False when it cannot be
    // started (it is not installed).
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) = 0;
};

Launcher& launch();
// Replaces the launcher for tests; nullptr brings back the real one.
void setLauncher(Launcher* replacement);

// Whether path is a program Linux can start itself: a regular file (a link is
// followed), executable for us and beginning with an ELF header or "#!".
// Execute bits alone do not count: vfat, NTFS and SMB mounts give every file one.
bool isProgramFile(const QString& path);

// Opens file through the desktop as a double-click in a file manager would:
// made absolute against folder, a program starts with parameters (split as a
// shell splits them) in folder, everything else goes to the desktop's opener
// with the absolute path as its only argument. Names of any length pass
// whole. Nothing is reported when the launch fails. The show command of the
// design (SW_SHOW and friends) has no equivalent: how a window first shows is
// the window manager's business, so it is taken and not used.
constexpr int kShowNormal = 5;  // SW_SHOW
void LaunchFile(const QString& file, const QString& parameters, const QString& folder,
                int showCommand);

}  // namespace lumora

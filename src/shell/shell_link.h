#pragma once

#include "platform/errors.h"
#include "shell/shell_link_format.h"

#include <QKeyCombination>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

namespace lumora {

// A shortcut's failures, with the component's own texts: "Lien non trouvé."
// (no such file), "Erreur en lecture." and "Erreur en écriture.". The file is
// read and written here, without a shell object to create or query, so those
// two failures of the original component have no counterpart.
class EPBShellLink : public EError {
public:
    using EError::EError;
};

// The special folders a shortcut can be placed in, by their value under the
// registry's "Shell Folders" key.
enum TShellFolder {
    sfNone,
    sfDesktop,
    sfFavorites,
    sfFonts,
    sfPersonal,
    sfPrograms,
    sfRecent,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates,
};

// The folder the registry names for a special folder; empty for sfNone and
// for a value that is missing or empty.
QString shellFolderPath(TShellFolder folder);

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// A shortcut's hot-key word (virtual key in the low byte, shift 1, control 2
// and alt 4 in the high byte) and the toolkit's key combination. A word
// without a toolkit key gives an empty combination; a combination without a
// virtual key gives 0.
QKeyCombination hotKeyFromWord(uint16_t word);
uint16_t hotKeyWord(QKeyCombination key);

struct TFileIcon {
    QString FileName;
    int IconIndex = 0;
    bool operator==(const TFileIcon&) const = default;
};

// A shortcut file read into fields and written back from them.
class TPBShellLink : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kNotFound = "Lien non trouvé.";
    static constexpr const char* kReadError = "Erreur en lecture.";
    static constexpr const char* kWriteError = "Erreur en écriture.";

    explicit TPBShellLink(QObject* parent = nullptr);

    // Setting a name (only one that differs) places it in ShellFolder's
    // folder, appends ".lnk" unless it ends so, and empties a name that is
    // nothing but ".lnk".
    QString FileName() const { return fileName_; }
    void setFileName(const QString& value);
    // Another special folder moves the current name into it.
    TShellFolder ShellFolder() const { return shellFolder_; }
    void setShellFolder(TShellFolder folder);

    QString Target;
    QString WorkingDir;
    QString Description;
    QString Arguments;
    TFileIcon FileIcon;

    // The show command and hot key as the window shows them. Setting the
    // value they already show keeps what the file holds, also a command or a
    // key the window has no entry for.
    TWindowState WindowState() const;
    void setWindowState(TWindowState state);
    QKeyCombination HotKey() const { return hotKeyFromWord(hotKey_); }
    void setHotKey(QKeyCombination key);
    uint32_t ShowCommand() const { return showCommand_; }
    uint16_t HotKeyWord() const { return hotKey_; }

    // Fills the fields from FileName; on failure they stay as they were.
    void Read();
    // Writes the fields to FileName, replacing the file whole. With the target
    // as Read left it, everything that locates it is kept byte for byte; a
    // shortcut written without any change keeps all its bytes.
    void Write();

private:
    struct Fields {
        QString target, workingDir, description, arguments;
        TFileIcon icon;
        uint32_t showCommand;
        uint16_t hotKey;
        bool operator==(const Fields&) const = default;
    };
    Fields fields() const;
    QByteArray shortcutBytes() const;

    QString fileName_;
    TShellFolder shellFolder_ = sfNone;
    uint32_t showCommand_ = 1;
    uint16_t hotKey_ = 0;

    // The shortcut as last read or written, its bytes and its fields then.
    std::optional<ShellLinkFile> loaded_;
    QByteArray loadedBytes_;
    Fields loadedFields_{};
};

}  // namespace lumora

#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumora {

// Windows-1252, the code page of a shortcut's 8-bit strings whatever the
// locale: bytes it leaves undefined come back as the control characters of
// the same value, and encoding gives "?" for what it cannot hold.
QString fromWindows1252(const QByteArray& bytes);
QByteArray toWindows1252(const QString& text);

// Bits of a shortcut's LinkFlags.
namespace link_flags {
constexpr uint32_t HasLinkTargetIDList = 0x1;
constexpr uint32_t HasLinkInfo = 0x2;
constexpr uint32_t HasName = 0x4;
constexpr uint32_t HasRelativePath = 0x8;
constexpr uint32_t HasWorkingDir = 0x10;
constexpr uint32_t HasArguments = 0x20;
constexpr uint32_t HasIconLocation = 0x40;
constexpr uint32_t IsUnicode = 0x80;
constexpr uint32_t ForceNoLinkInfo = 0x100;
constexpr uint32_t HasExpString = 0x200;
constexpr uint32_t HasDarwinID = 0x1000;
constexpr uint32_t HasExpIcon = 0x4000;
constexpr uint32_t EnableTargetMetadata = 0x80000;
constexpr uint32_t PreferEnvironmentPath = 0x2000000;
}  // namespace link_flags

// Signatures of the extra data blocks this program looks into or drops.
namespace link_blocks {
constexpr uint32_t EnvironmentVariable = 0xA0000001;
constexpr uint32_t Tracker = 0xA0000003;
constexpr uint32_t SpecialFolder = 0xA0000005;
constexpr uint32_t Darwin = 0xA0000006;
constexpr uint32_t IconEnvironment = 0xA0000007;
constexpr uint32_t KnownFolder = 0xA000000B;
constexpr uint32_t VistaAndAboveIDList = 0xA000000C;
}  // namespace link_blocks

// A shortcut file ([MS-SHLLINK]) as structures: the header's fields, the
// target's ID list and link info kept as their bytes, the five strings and
// the extra data blocks, unknown ones included, each kept whole.
struct ShellLinkFile {
    static constexpr qsizetype kMaxFileSize = 1 << 20;
    static constexpr qsizetype kHeaderSize = 76;
    static constexpr int kMaxStringLength = 65535;

    uint32_t linkFlags = link_flags::IsUnicode;
    uint32_t fileAttributes = 0;
    QByteArray times = QByteArray(24, '\0');  // creation, access and write FILETIMEs
    uint32_t fileSize = 0;
    int32_t iconIndex = 0;
    uint32_t showCommand = 1;
    uint16_t hotKey = 0;
    QByteArray reserved = QByteArray(10, '\0');

    QByteArray idList;    // the items and their terminal, without the size before them
    QByteArray linkInfo;  // the whole structure, its size first

    std::optional<QString> name;  // the description
    std::optional<QString> relativePath;
    std::optional<QString> workingDir;
    std::optional<QString> arguments;
    std::optional<QString> iconLocation;

    std::vector<QByteArray> extraBlocks;  // each whole: size, signature, data

    // Nothing when the bytes are not a whole, consistent shortcut: every size,
    // count and offset is checked against the file and the structure that
    // holds it, so a hostile file is refused before anything large is made.
    static std::optional<ShellLinkFile> parse(const QByteArray& bytes);
    // The file. Strings go out in the encoding the flags name.
    QByteArray serialize() const;

    // The target's path as the link info holds it, local base path and
    // common suffix joined: in Unicode when it is there, else in Windows-1252;
    // empty without a local path.
    QString localPathUnicode() const;
    QString localPathAnsi() const;
    // The target of the environment variable block, Unicode first.
    QString environmentTarget() const;

    // A link info naming a local path, in Windows-1252 and in Unicode.
    static QByteArray makeLinkInfo(const QString& localPath);
    // The extra block of that signature; empty when there is none.
    QByteArray extraBlock(uint32_t signature) const;
    void removeExtraBlocks(uint32_t signature);
};

}  // namespace lumora

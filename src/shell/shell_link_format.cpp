#include "shell/shell_link_format.h"

#include <QtEndian>
#include <algorithm>
#include <array>

namespace lumora {
namespace {

// 0x80..0x9F of Windows-1252; 0 where the code page defines nothing.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::array<uint8_t, 16> kShellLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr uint32_t kLinkInfoMinHeader = 0x1C;
constexpr uint32_t kLinkInfoUnicodeHeader = 0x24;
constexpr uint32_t kVolumeIDAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;
constexpr uint32_t kEnvironmentBlockSize = 0x314;
constexpr int kEnvironmentAnsiBytes = 260;
constexpr size_t kMaxExtraBlocks = 1024;

// The string fields in file order with the flag that says each is there.
constexpr std::array<uint32_t, 5> kStringFlags = {
    link_flags::HasName, link_flags::HasRelativePath, link_flags::HasWorkingDir,
    link_flags::HasArguments, link_flags::HasIconLocation};

uint16_t u16At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<uint16_t>(bytes.constData() + at);
}
uint32_t u32At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<uint32_t>(bytes.constData() + at);
}

void appendU16(QByteArray& out, uint16_t value) {
    char le[2];
    qToLittleEndian(value, le);
    out.append(le, 2);
}
void appendU32(QByteArray& out, uint32_t value) {
    char le[4];
    qToLittleEndian(value, le);
    out.append(le, 4);
}
void putU32(QByteArray& out, qsizetype at, uint32_t value) {
    qToLittleEndian(value, out.data() + at);
}

// UTF-16LE code units as they are: a lone surrogate (a file name's byte that
// is not UTF-8) comes back unchanged.
QString fromUtf16Le(const char* data, qsizetype units) {
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<uint16_t>(data + 2 * i));
    return text;
}
void appendUtf16Le(QByteArray& out, const QString& text) {
    for (QChar c : text)
        appendU16(out, c.unicode());
}

// Length of the NUL-terminated 8-bit string at offset, -1 when it does not
// end before limit.
qsizetype ansiLength(const QByteArray& bytes, qsizetype offset, qsizetype limit) {
    for (qsizetype i = offset; i < limit; ++i)
        if (bytes[i] == '\0')
            return i - offset;
    return -1;
}
// The same for a UTF-16 string, in code units.
qsizetype unicodeLength(const QByteArray& bytes, qsizetype offset, qsizetype limit) {
    for (qsizetype i = offset; i + 1 < limit; i += 2)
        if (bytes[i] == '\0' && bytes[i + 1] == '\0')
            return (i - offset) / 2;
    return -1;
}

// The fields of a link info's header.
struct LinkInfoHeader {
    uint32_t size, headerSize, flags, volumeIdOffset, localBasePathOffset, networkLinkOffset,
        commonPathSuffixOffset, localBasePathOffsetUnicode = 0, commonPathSuffixOffsetUnicode = 0;
    bool hasUnicode() const { return headerSize >= kLinkInfoUnicodeHeader; }
    // An offset into the structure's body: past its header, before its end.
    bool inBody(uint32_t offset) const { return offset >= headerSize && offset < size; }
};

LinkInfoHeader readLinkInfoHeader(const QByteArray& info) {
    LinkInfoHeader h{u32At(info, 0),  u32At(info, 4),  u32At(info, 8), u32At(info, 12),
                     u32At(info, 16), u32At(info, 20), u32At(info, 24)};
    if (h.hasUnicode() && info.size() >= qsizetype(kLinkInfoUnicodeHeader)) {
        h.localBasePathOffsetUnicode = u32At(info, 28);
        h.commonPathSuffixOffsetUnicode = u32At(info, 32);
    }
    return h;
}

bool validVolumeId(const QByteArray& info, const LinkInfoHeader& h) {
    const qsizetype at = h.volumeIdOffset;
    if (!h.inBody(h.volumeIdOffset) || at + 0x10 > h.size)
        return false;
    const uint32_t size = u32At(info, at);
    if (size < 0x11 || size > h.size - at)
        return false;
    const uint32_t labelOffset = u32At(info, at + 12);
    if (labelOffset == 0x14) {
        const uint32_t unicodeOffset = size >= 0x15 ? u32At(info, at + 16) : 0;
        return unicodeOffset >= 0x14 && unicodeOffset < size &&
               unicodeLength(info, at + unicodeOffset, at + size) >= 0;
    }
    return labelOffset >= 0x10 && labelOffset < size &&
           ansiLength(info, at + labelOffset, at + size) >= 0;
}

// Every offset of a link info points into its body and every string there ends
// inside it.
bool validLinkInfo(const QByteArray& info) {
    if (info.size() < qsizetype(kLinkInfoMinHeader))
        return false;
    const LinkInfoHeader h = readLinkInfoHeader(info);
    if (h.headerSize != kLinkInfoMinHeader &&
        (h.headerSize < kLinkInfoUnicodeHeader || h.headerSize > h.size))
        return false;
    if (h.flags & kVolumeIDAndLocalBasePath) {
        if (!validVolumeId(info, h) || !h.inBody(h.localBasePathOffset) ||
            ansiLength(info, h.localBasePathOffset, h.size) < 0)
            return false;
        if (h.hasUnicode() && (!h.inBody(h.localBasePathOffsetUnicode) ||
                               unicodeLength(info, h.localBasePathOffsetUnicode, h.size) < 0))
            return false;
    }
    if (h.flags & kCommonNetworkRelativeLink) {
        const qsizetype at = h.networkLinkOffset;
        if (!h.inBody(h.networkLinkOffset) || at + 0x14 > h.size)
            return false;
        const uint32_t size = u32At(info, at);
        if (size < 0x14 || size > h.size - at)
            return false;
    }
    if (h.flags & (kVolumeIDAndLocalBasePath | kCommonNetworkRelativeLink)) {
        if (!h.inBody(h.commonPathSuffixOffset) ||
            ansiLength(info, h.commonPathSuffixOffset, h.size) < 0)
            return false;
        if (h.hasUnicode() && h.commonPathSuffixOffsetUnicode != 0 &&
            (!h.inBody(h.commonPathSuffixOffsetUnicode) ||
             unicodeLength(info, h.commonPathSuffixOffsetUnicode, h.size) < 0))
            return false;
    }
    return true;
}

// The ID list's items walk exactly to its terminal at its end.
bool validIdList(const QByteArray& list) {
    qsizetype at = 0;
    while (at + 2 <= list.size()) {
        const uint16_t itemSize = u16At(list, at);
        if (itemSize == 0)
            return at + 2 == list.size();
        if (itemSize < 2 || itemSize > list.size() - at)
            return false;
        at += itemSize;
    }
    return false;
}

QByteArray ansiAt(const QByteArray& bytes, qsizetype offset, qsizetype limit) {
    const qsizetype length = ansiLength(bytes, offset, limit);
    return length < 0 ? QByteArray() : bytes.mid(offset, length);
}
QString unicodeAt(const QByteArray& bytes, qsizetype offset, qsizetype limit) {
    const qsizetype length = unicodeLength(bytes, offset, limit);
    return length < 0 ? QString() : fromUtf16Le(bytes.constData() + offset, length);
}

}  // namespace

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = uint8_t(bytes[i]);
        const char16_t mapped = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : 0;
        text[i] = QChar(mapped ? mapped : char16_t(byte));
    }
    return text;
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;  // one character beyond the code page: one "?"
            bytes.append('?');
            continue;
        }
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            bytes.append(char(c));
            continue;
        }
        char byte = '?';
        for (size_t k = 0; k < kHighControls.size(); ++k)
            if (kHighControls[k] == c || (kHighControls[k] == 0 && c == 0x80 + k))
                byte = char(0x80 + k);
        bytes.append(byte);
    }
    return bytes;
}

std::optional<ShellLinkFile> ShellLinkFile::parse(const QByteArray& bytes) {
    const qsizetype n = bytes.size();
    if (n < kHeaderSize || n > kMaxFileSize || u32At(bytes, 0) != kHeaderSize ||
        !std::equal(kShellLinkClsid.begin(), kShellLinkClsid.end(),
                    reinterpret_cast<const uint8_t*>(bytes.constData() + 4)))
        return std::nullopt;

    ShellLinkFile link;
    link.linkFlags = u32At(bytes, 20);
    link.fileAttributes = u32At(bytes, 24);
    link.times = bytes.mid(28, 24);
    link.fileSize = u32At(bytes, 52);
    link.iconIndex = int32_t(u32At(bytes, 56));
    link.showCommand = u32At(bytes, 60);
    link.hotKey = u16At(bytes, 64);
    link.reserved = bytes.mid(66, 10);
    qsizetype at = kHeaderSize;

    if (link.linkFlags & link_flags::HasLinkTargetIDList) {
        if (at + 2 > n)
            return std::nullopt;
        const uint16_t size = u16At(bytes, at);
        if (size > n - at - 2)
            return std::nullopt;
        link.idList = bytes.mid(at + 2, size);
        if (!validIdList(link.idList))
            return std::nullopt;
        at += 2 + size;
    }

    if (link.linkFlags & link_flags::HasLinkInfo) {
        if (at + 4 > n)
            return std::nullopt;
        const uint32_t size = u32At(bytes, at);
        if (size < kLinkInfoMinHeader || size > n - at)
            return std::nullopt;
        link.linkInfo = bytes.mid(at, size);
        if (!validLinkInfo(link.linkInfo))
            return std::nullopt;
        at += size;
    }

    const bool unicode = link.linkFlags & link_flags::IsUnicode;
    std::array<std::optional<QString>*, 5> strings = {
        &link.name, &link.relativePath, &link.workingDir, &link.arguments, &link.iconLocation};
    for (size_t k = 0; k < kStringFlags.size(); ++k) {
        if (!(link.linkFlags & kStringFlags[k]))
            continue;
        if (at + 2 > n)
            return std::nullopt;
        const uint16_t count = u16At(bytes, at);
        const qsizetype length = unicode ? 2 * qsizetype(count) : count;
        if (length > n - at - 2)
            return std::nullopt;
        const char* data = bytes.constData() + at + 2;
        *strings[k] = unicode ? fromUtf16Le(data, count) : fromWindows1252(QByteArray(data, count));
        at += 2 + length;
    }

    // Extra blocks up to the terminal (a size below 4); a file that ends
    // without one ends the list as well.
    while (at + 4 <= n) {
        const uint32_t size = u32At(bytes, at);
        if (size < 4)
            break;
        if (size < 8 || size > n - at || link.extraBlocks.size() == kMaxExtraBlocks)
            return std::nullopt;
        link.extraBlocks.push_back(bytes.mid(at, size));
        at += size;
    }
    return link;
}

QByteArray ShellLinkFile::serialize() const {
    const bool unicode = linkFlags & link_flags::IsUnicode;
    const std::array<const std::optional<QString>*, 5> strings = {&name, &relativePath, &workingDir,
                                                                  &arguments, &iconLocation};
    uint32_t flags = linkFlags & ~(link_flags::HasLinkTargetIDList | link_flags::HasLinkInfo);
    if (!idList.isEmpty())
        flags |= link_flags::HasLinkTargetIDList;
    if (!linkInfo.isEmpty())
        flags |= link_flags::HasLinkInfo;
    for (size_t k = 0; k < strings.size(); ++k)
        flags = *strings[k] ? flags | kStringFlags[k] : flags & ~kStringFlags[k];

    QByteArray out;
    appendU32(out, uint32_t(kHeaderSize));
    out.append(reinterpret_cast<const char*>(kShellLinkClsid.data()), kShellLinkClsid.size());
    appendU32(out, flags);
    appendU32(out, fileAttributes);
    out.append(times.leftJustified(24, '\0', true));
    appendU32(out, fileSize);
    appendU32(out, uint32_t(iconIndex));
    appendU32(out, showCommand);
    appendU16(out, hotKey);
    out.append(reserved.leftJustified(10, '\0', true));

    if (!idList.isEmpty()) {
        if (idList.size() > 0xFFFF)
            return {};
        appendU16(out, uint16_t(idList.size()));
        out.append(idList);
    }
    out.append(linkInfo);
    for (const std::optional<QString>* text : strings) {
        if (!*text)
            continue;
        const QByteArray ansi = unicode ? QByteArray() : toWindows1252(**text);
        const qsizetype count = unicode ? (*text)->size() : ansi.size();
        if (count > kMaxStringLength)
            return {};
        appendU16(out, uint16_t(count));
        if (unicode)
            appendUtf16Le(out, **text);
        else
            out.append(ansi);
    }
    for (const QByteArray& block : extraBlocks)
        out.append(block);
    appendU32(out, 0);
    return out;
}

QString ShellLinkFile::localPathUnicode() const {
    if (linkInfo.isEmpty() || (linkFlags & link_flags::ForceNoLinkInfo))
        return {};
    const LinkInfoHeader h = readLinkInfoHeader(linkInfo);
    if (!(h.flags & kVolumeIDAndLocalBasePath) || !h.hasUnicode())
        return {};
    const QString suffix =
        h.commonPathSuffixOffsetUnicode != 0
            ? unicodeAt(linkInfo, h.commonPathSuffixOffsetUnicode, h.size)
            : fromWindows1252(ansiAt(linkInfo, h.commonPathSuffixOffset, h.size));
    return unicodeAt(linkInfo, h.localBasePathOffsetUnicode, h.size) + suffix;
}

QString ShellLinkFile::localPathAnsi() const {
    if (linkInfo.isEmpty() || (linkFlags & link_flags::ForceNoLinkInfo))
        return {};
    const LinkInfoHeader h = readLinkInfoHeader(linkInfo);
    if (!(h.flags & kVolumeIDAndLocalBasePath))
        return {};
    return fromWindows1252(ansiAt(linkInfo, h.localBasePathOffset, h.size) +
                           ansiAt(linkInfo, h.commonPathSuffixOffset, h.size));
}

QString ShellLinkFile::environmentTarget() const {
    const QByteArray block = extraBlock(link_blocks::EnvironmentVariable);
    if (block.size() != qsizetype(kEnvironmentBlockSize))
        return {};
    const qsizetype ansiAtOffset = 8, unicodeAtOffset = 8 + kEnvironmentAnsiBytes;
    const QString unicodeTarget = unicodeAt(block, unicodeAtOffset, block.size());
    if (!unicodeTarget.isEmpty())
        return unicodeTarget;
    return fromWindows1252(ansiAt(block, ansiAtOffset, unicodeAtOffset));
}

QByteArray ShellLinkFile::makeLinkInfo(const QString& localPath) {
    // A fixed drive without serial number or label: the path is what counts.
    QByteArray volume;
    appendU32(volume, 0x11);
    appendU32(volume, 3);
    appendU32(volume, 0);
    appendU32(volume, 0x10);
    volume.append('\0');

    QByteArray info(kLinkInfoUnicodeHeader, '\0');
    putU32(info, 4, kLinkInfoUnicodeHeader);
    putU32(info, 8, kVolumeIDAndLocalBasePath);
    putU32(info, 12, uint32_t(info.size()));
    info.append(volume);
    putU32(info, 16, uint32_t(info.size()));
    info.append(toWindows1252(localPath)).append('\0');
    putU32(info, 24, uint32_t(info.size()));
    info.append('\0');
    if (info.size() % 2)
        info.append('\0');
    putU32(info, 28, uint32_t(info.size()));
    appendUtf16Le(info, localPath);
    appendU16(info, 0);
    putU32(info, 32, uint32_t(info.size()));
    appendU16(info, 0);
    putU32(info, 0, uint32_t(info.size()));
    return info;
}

QByteArray ShellLinkFile::extraBlock(uint32_t signature) const {
    for (const QByteArray& block : extraBlocks)
        if (u32At(block, 4) == signature)
            return block;
    return {};
}

void ShellLinkFile::removeExtraBlocks(uint32_t signature) {
    std::erase_if(extraBlocks,
                  [signature](const QByteArray& block) { return u32At(block, 4) == signature; });
}

}  // namespace lumora

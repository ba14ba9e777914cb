#include "shell/shell_link.h"

#include "base/file_name.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <array>

#include <sys/stat.h>

namespace lumora {
namespace {

constexpr std::array<const char*, 11> kShellFolderValues = {
    nullptr,  "Desktop", "Favorites",  "Fonts",   "Personal",  "Programs",
    "Recent", "SendTo",  "Start Menu", "Startup", "Templates",
};

// Show commands: normal, maximised, minimised without activation.
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t kShowMaximized = 3;
constexpr uint32_t kShowMinNoActive = 7;

constexpr uint8_t kHotKeyShift = 1;
constexpr uint8_t kHotKeyControl = 2;
constexpr uint8_t kHotKeyAlt = 4;

constexpr int onKeypad(Qt::Key key) {
    return int(key) | int(Qt::KeypadModifier);
}

struct VirtualKey {
    uint8_t vk;
    int key;  // Qt::Key, with the keypad modifier for the number pad
};

// The virtual keys a hot key may name and the toolkit's keys for them.
constexpr VirtualKey kVirtualKeys[] = {
    {0x08, Qt::Key_Backspace},
    {0x09, Qt::Key_Tab},
    {0x0D, Qt::Key_Return},
    {0x13, Qt::Key_Pause},
    {0x14, Qt::Key_CapsLock},
    {0x1B, Qt::Key_Escape},
    {0x20, Qt::Key_Space},
    {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},
    {0x23, Qt::Key_End},
    {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},
    {0x26, Qt::Key_Up},
    {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},
    {0x2C, Qt::Key_Print},
    {0x2D, Qt::Key_Insert},
    {0x2E, Qt::Key_Delete},
    {0x2F, Qt::Key_Help},
    {0x6A, onKeypad(Qt::Key_Asterisk)},
    {0x6B, onKeypad(Qt::Key_Plus)},
    {0x6D, onKeypad(Qt::Key_Minus)},
    {0x6E, onKeypad(Qt::Key_Period)},
    {0x6F, onKeypad(Qt::Key_Slash)},
    {0x90, Qt::Key_NumLock},
    {0x91, Qt::Key_ScrollLock},
    {0xBA, Qt::Key_Semicolon},
    {0xBB, Qt::Key_Equal},
    {0xBC, Qt::Key_Comma},
    {0xBD, Qt::Key_Minus},
    {0xBE, Qt::Key_Period},
    {0xBF, Qt::Key_Slash},
    {0xC0, Qt::Key_QuoteLeft},
    {0xDB, Qt::Key_BracketLeft},
    {0xDC, Qt::Key_Backslash},
    {0xDD, Qt::Key_BracketRight},
    {0xDE, Qt::Key_Apostrophe},
};

// Shifted characters of the US layout that a key box may record instead of
// the key with shift: they name the same virtual key.
constexpr VirtualKey kShiftedKeys[] = {
    {0x30, Qt::Key_ParenRight},  {0x31, Qt::Key_Exclam},     {0x32, Qt::Key_At},
    {0x33, Qt::Key_NumberSign},  {0x34, Qt::Key_Dollar},     {0x35, Qt::Key_Percent},
    {0x36, Qt::Key_AsciiCircum}, {0x37, Qt::Key_Ampersand},  {0x38, Qt::Key_Asterisk},
    {0x39, Qt::Key_ParenLeft},   {0xBA, Qt::Key_Colon},      {0xBB, Qt::Key_Plus},
    {0xBC, Qt::Key_Less},        {0xBD, Qt::Key_Underscore}, {0xBE, Qt::Key_Greater},
    {0xBF, Qt::Key_Question},    {0xC0, Qt::Key_AsciiTilde}, {0xDB, Qt::Key_BraceLeft},
    {0xDC, Qt::Key_Bar},         {0xDD, Qt::Key_BraceRight}, {0xDE, Qt::Key_QuoteDbl},
};

// The part of a path after its last "/".
QString namePart(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// Header fields that describe the target: kind, size and times as they are now.
void describeTarget(ShellLinkFile& link, const QString& target) {
    link.fileAttributes = 0;
    link.fileSize = 0;
    link.times.fill('\0', 24);
    const QByteArray path = encodeFileName(target);
    struct stat st {};
    if (path.isEmpty() || path.contains('\0') || ::stat(path.constData(), &st) != 0)
        return;
    constexpr uint32_t kDirectory = 0x10, kArchive = 0x20;
    link.fileAttributes = S_ISDIR(st.st_mode) ? kDirectory : kArchive;
    link.fileSize = uint32_t(uint64_t(st.st_size));  // its low 32 bits
    // FILETIME: 100 ns since 1601; Linux keeps no creation time.
    const auto fileTime = [](const timespec& t) {
        constexpr int64_t kEpochDifference = 11644473600;
        return uint64_t((int64_t(t.tv_sec) + kEpochDifference) * 10000000 + t.tv_nsec / 100);
    };
    qToLittleEndian(fileTime(st.st_atim), link.times.data() + 8);
    qToLittleEndian(fileTime(st.st_mtim), link.times.data() + 16);
}

// Points a shortcut read before at a new target: what located the old one
// goes, a link info names the new one.
void retarget(ShellLinkFile& link, const QString& target) {
    link.idList.clear();
    link.linkInfo = target.isEmpty() ? QByteArray() : ShellLinkFile::makeLinkInfo(target);
    link.relativePath.reset();
    link.linkFlags &=
        ~(link_flags::HasExpString | link_flags::HasDarwinID | link_flags::ForceNoLinkInfo |
          link_flags::EnableTargetMetadata | link_flags::PreferEnvironmentPath);
    for (uint32_t signature :
         {link_blocks::EnvironmentVariable, link_blocks::Tracker, link_blocks::SpecialFolder,
          link_blocks::Darwin, link_blocks::KnownFolder, link_blocks::VistaAndAboveIDList})
        link.removeExtraBlocks(signature);
    describeTarget(link, target);
}

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

}  // namespace

QString shellFolderPath(TShellFolder folder) {
    if (folder == sfNone)
        return {};
    return registry()
        .readString(RegistryRoot::CurrentUser, QLatin1String(kShellFoldersKey),
                    QLatin1String(kShellFolderValues[size_t(folder)]))
        .value_or(QString());
}

QKeyCombination hotKeyFromWord(uint16_t word) {
    const uint8_t vk = word & 0xFF, flags = word >> 8;
    int key = 0;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        key = vk;
    else if (vk >= 0x60 && vk <= 0x69)
        key = onKeypad(Qt::Key(Qt::Key_0 + (vk - 0x60)));
    else if (vk >= 0x70 && vk <= 0x87)
        key = Qt::Key_F1 + (vk - 0x70);
    else
        for (const VirtualKey& each : kVirtualKeys)
            if (each.vk == vk)
                key = each.key;
    if (key == 0 || (flags & ~(kHotKeyShift | kHotKeyControl | kHotKeyAlt)))
        return {};
    int modifiers = 0;
    if (flags & kHotKeyShift)
        modifiers |= int(Qt::ShiftModifier);
    if (flags & kHotKeyControl)
        modifiers |= int(Qt::ControlModifier);
    if (flags & kHotKeyAlt)
        modifiers |= int(Qt::AltModifier);
    return QKeyCombination::fromCombined(key | modifiers);
}

uint16_t hotKeyWord(QKeyCombination combination) {
    const int key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const bool keypad = modifiers & Qt::KeypadModifier;
    uint8_t vk = 0;
    uint8_t flags = 0;
    if (!keypad &&
        ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)))
        vk = uint8_t(key);
    else if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9)
        vk = uint8_t(0x60 + (key - Qt::Key_0));
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        vk = uint8_t(0x70 + (key - Qt::Key_F1));
    const int withPad = key | (keypad ? int(Qt::KeypadModifier) : 0);
    for (const VirtualKey& each : kVirtualKeys)
        if (vk == 0 && each.key == withPad)
            vk = each.vk;
    for (const VirtualKey& each : kShiftedKeys)
        if (vk == 0 && !keypad && each.key == key) {
            vk = each.vk;
            flags |= kHotKeyShift;
        }
    if (vk == 0)
        return 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= kHotKeyShift;
    if (modifiers & Qt::ControlModifier)
        flags |= kHotKeyControl;
    if (modifiers & Qt::AltModifier)
        flags |= kHotKeyAlt;
    return uint16_t(flags << 8 | vk);
}

TPBShellLink::TPBShellLink(QObject* parent) : QObject(parent) {}

void TPBShellLink::setFileName(const QString& value) {
    if (value == fileName_)
        return;
    QString name = value;
    // A special folder that names no folder leaves the name where it is.
    if (const QString folder = shellFolderPath(shellFolder_); !folder.isEmpty())
        name = folder + u'/' + namePart(name);
    const QString part = namePart(name);
    const qsizetype dot = part.lastIndexOf(u'.');
    if (dot < 0 || part.mid(dot).toUpper() != QLatin1String(".LNK"))
        name += QLatin1String(".lnk");
    if (namePart(name).toUpper() == QLatin1String(".LNK"))
        name.clear();
    fileName_ = name;
}

void TPBShellLink::setShellFolder(TShellFolder folder) {
    if (folder == shellFolder_)
        return;
    shellFolder_ = folder;
    const QString path = shellFolderPath(folder);
    if (!path.isEmpty() && !fileName_.isEmpty())
        fileName_ = path + u'/' + namePart(fileName_);
}

TWindowState TPBShellLink::WindowState() const {
    switch (showCommand_) {
        case kShowMaximized:
            return TWindowState::wsMaximized;
        case 2:  // minimised
        case 6:  // minimise
        case kShowMinNoActive:
            return TWindowState::wsMinimized;
        default:
            return TWindowState::wsNormal;
    }
}

void TPBShellLink::setWindowState(TWindowState state) {
    if (state == WindowState())
        return;
    switch (state) {
        case TWindowState::wsNormal:
            showCommand_ = kShowNormal;
            break;
        case TWindowState::wsMinimized:
            showCommand_ = kShowMinNoActive;
            break;
        case TWindowState::wsMaximized:
            showCommand_ = kShowMaximized;
            break;
    }
}

void TPBShellLink::setHotKey(QKeyCombination key) {
    if (key != HotKey())
        hotKey_ = hotKeyWord(key);
}

TPBShellLink::Fields TPBShellLink::fields() const {
    return {Target, WorkingDir, Description, Arguments, FileIcon, showCommand_, hotKey_};
}

void TPBShellLink::Read() {
    if (!fileExists(fileName_))
        throw EPBShellLink(QString::fromUtf8(kNotFound));
    QFile file;
    const qint64 size = openRegularFile(file, fileName_);
    if (size < 0 || size > ShellLinkFile::kMaxFileSize)
        throw EPBShellLink(QString::fromUtf8(kReadError));
    const QByteArray bytes = file.read(ShellLinkFile::kMaxFileSize + 1);
    std::optional<ShellLinkFile> link = ShellLinkFile::parse(bytes);
    if (!link || file.error() != QFileDevice::NoError)
        throw EPBShellLink(QString::fromUtf8(kReadError));

    QString target = link->localPathUnicode();
    if (target.isEmpty())
        target = link->localPathAnsi();
    if (target.isEmpty() && (link->linkFlags & link_flags::HasExpString))
        target = link->environmentTarget();
    if (target.isEmpty() && link->relativePath && !link->relativePath->isEmpty()) {
        QString relative = *link->relativePath;
        relative.replace(u'\\', u'/');
        const QString folder = fileName_.left(fileName_.lastIndexOf(u'/') + 1);
        target = QDir::cleanPath(relative.startsWith(u'/') ? relative : folder + relative);
    }
    Target = target;
    Description = link->name.value_or(QString());
    WorkingDir = link->workingDir.value_or(QString());
    Arguments = link->arguments.value_or(QString());
    FileIcon = {link->iconLocation.value_or(QString()), link->iconIndex};
    showCommand_ = link->showCommand;
    hotKey_ = link->hotKey;

    loaded_ = std::move(link);
    loadedBytes_ = bytes;
    loadedFields_ = fields();
}

QByteArray TPBShellLink::shortcutBytes() const {
    const Fields now = fields();
    if (loaded_ && now == loadedFields_)
        return loadedBytes_;
    ShellLinkFile link = loaded_.value_or(ShellLinkFile());
    link.linkFlags |= link_flags::IsUnicode;
    link.name = presentUnlessEmpty(Description);
    link.workingDir = presentUnlessEmpty(WorkingDir);
    link.arguments = presentUnlessEmpty(Arguments);
    link.iconLocation = presentUnlessEmpty(FileIcon.FileName);
    link.iconIndex = FileIcon.IconIndex;
    link.showCommand = showCommand_;
    link.hotKey = hotKey_;
    if (!loaded_ || Target != loadedFields_.target)
        retarget(link, Target);
    // An icon taken from an environment variable would override the new one.
    if (loaded_ && FileIcon.FileName != loadedFields_.icon.FileName) {
        link.linkFlags &= ~link_flags::HasExpIcon;
        link.removeExtraBlocks(link_blocks::IconEnvironment);
    }
    return link.serialize();
}

void TPBShellLink::Write() {
    const Fields now = fields();
    const bool fits = std::max({now.target.size(), now.workingDir.size(), now.description.size(),
                                now.arguments.size(), now.icon.FileName.size()}) <=
                      ShellLinkFile::kMaxStringLength;
    if (fileName_.isEmpty() || !fits || Target.contains(QChar(u'\0')))
        throw EPBShellLink(QString::fromUtf8(kWriteError));
    const QByteArray bytes = shortcutBytes();
    if (bytes.isEmpty() || !replaceFile(fileName_, bytes))
        throw EPBShellLink(QString::fromUtf8(kWriteError));
    loaded_ = ShellLinkFile::parse(bytes);
    loadedBytes_ = bytes;
    loadedFields_ = now;
}

}  // namespace lumora

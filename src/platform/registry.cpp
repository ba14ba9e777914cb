#include "platform/registry.h"

#include "base/file_name.h"
#include "platform/errors.h"
#include "platform/shell_namespace_linux.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"};

// Larger than any hive the program writes by far; a bigger file is not read.
constexpr qint64 kMaxHiveSize = qint64(64) << 20;
// A copy of the program holding the lock longer than this is stuck.
constexpr int kLockWaitMs = 5000;

const char kHexDigits[] = "0123456789ABCDEF";

void appendHex(QByteArray& out, char prefix1, char prefix2, unsigned char byte) {
    if (prefix1)
        out += prefix1;
    out += prefix2;
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 15];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether text[i] stands for a raw byte of a name that is not UTF-8.
bool isRawByte(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Appends text as UTF-8, handing each raw byte, and each ASCII character
// `special` picks, to `escape`.
template <class Special, class Escape>
void appendEscapedUtf8(QByteArray& out, const QString& text, Special special, Escape escape) {
    const QChar* chars = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = chars[i].unicode();
        if (c < 0x80) {
            if (special(char(c)))
                escape(out, static_cast<unsigned char>(c));
            else
                out += char(c);
        } else if (isRawByte(text, i)) {
            escape(out, static_cast<unsigned char>(c - 0xDC00));
        } else if (chars[i].isHighSurrogate() && i + 1 < text.size() &&
                   chars[i + 1].isLowSurrogate()) {
            out += QStringView(text).mid(i, 2).toUtf8();
            ++i;
        } else {
            out += QStringView(text).mid(i, 1).toUtf8();
        }
    }
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// Appends "text" with \\, \", \n, \r and \xHH escapes.
void appendQuoted(QByteArray& out, const QString& text) {
    const auto special = [](char c) { return isControl(c) || c == '\\' || c == '"'; };
    const auto escape = [](QByteArray& to, unsigned char byte) {
        switch (byte) {
            case '\\':
                to += "\\\\";
                break;
            case '"':
                to += "\\\"";
                break;
            case '\n':
                to += "\\n";
                break;
            case '\r':
                to += "\\r";
                break;
            default:
                appendHex(to, '\\', 'x', byte);
        }
    };
    out += '"';
    appendEscapedUtf8(out, text, special, escape);
    out += '"';
}

// Reads a quoted text at line[pos]; pos ends past the closing quote.
std::optional<QString> unquoted(QByteArrayView line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    const qsizetype begin = ++pos;
    while (pos < line.size() && line[pos] != '"' && line[pos] != '\\')
        ++pos;
    if (pos < line.size() && line[pos] == '"') {
        ++pos;
        return decodeFileName(line.data() + begin, pos - 1 - begin);
    }
    QByteArray bytes(line.data() + begin, pos - begin);
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return decodeFileName(bytes);
        }
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        switch (line[pos]) {
            case '\\':
                bytes += '\\';
                break;
            case '"':
                bytes += '"';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 'x': {
                const int high = pos + 2 < line.size() ? hexValue(line[pos + 1]) : -1;
                const int low = high >= 0 ? hexValue(line[pos + 2]) : -1;
                if (low < 0)
                    return std::nullopt;
                bytes += char(high * 16 + low);
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

// A key path in a header line: "%", "[", "]" and control bytes as %HH.
void appendEscapedPath(QByteArray& out, const QString& path) {
    const auto special = [](char c) { return isControl(c) || c == '%' || c == '[' || c == ']'; };
    const auto escape = [](QByteArray& to, unsigned char byte) { appendHex(to, 0, '%', byte); };
    appendEscapedUtf8(out, path, special, escape);
}

QString unescapedPath(QByteArrayView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            bytes += char(high * 16 + low);
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return decodeFileName(bytes);
}

// The components of a key path; empty ones (a leading "\", "\\") drop out.
QStringList components(const QString& path) {
    return path.split(u'\\', Qt::SkipEmptyParts);
}

QByteArrayView trimmedLine(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.chop(1);
    while (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t'))
        line = line.sliced(1);
    return line;
}

}  // namespace

QString registryRootName(RegistryRoot root) {
    return QLatin1String(kRootNames[int(root)]);
}

// --- RegistryHive

QString RegistryHive::fullPath(RegistryRoot root, const QString& key) {
    QStringList parts = components(key);
    parts.prepend(registryRootName(root));
    return parts.join(u'\\');
}

RegistryHive RegistryHive::parse(const QByteArray& bytes) {
    RegistryHive hive;
    Key* current = nullptr;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = trimmedLine(QByteArrayView(bytes).sliced(start, end - start));
        start = end + 1;
        if (line.startsWith('[')) {
            current = nullptr;
            if (!line.endsWith(']'))
                continue;
            QStringList parts = components(unescapedPath(line.sliced(1, line.size() - 2)));
            if (parts.isEmpty())
                continue;
            const auto root =
                std::find_if(std::begin(kRootNames), std::end(kRootNames), [&](const char* name) {
                    return parts.front().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
                });
            if (root == std::end(kRootNames))
                continue;
            parts.front() = QLatin1String(*root);
            const QString path = parts.join(u'\\');
            current = hive.findKey(path);
            if (!current)
                current = &hive.addKey(path);
            continue;
        }
        if (!current)
            continue;
        qsizetype pos = 0;
        std::optional<QString> name;
        if (line.startsWith('@')) {
            name = QString();
            pos = 1;
        } else {
            name = unquoted(line, pos);
        }
        if (!name || pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        const std::optional<QString> data = unquoted(line, pos);
        if (data && pos == line.size())
            putValue(*current, *name, *data);
    }
    return hive;
}

QByteArray RegistryHive::serialize() const {
    QByteArray out = "; Lumora registry\n";
    for (const Key& key : keys_) {
        out += "\n[";
        appendEscapedPath(out, key.path);
        out += "]\n";
        for (const Value& value : key.values) {
            if (value.name.isEmpty())
                out += '@';
            else
                appendQuoted(out, value.name);
            out += '=';
            appendQuoted(out, value.data);
            out += '\n';
        }
    }
    return out;
}

QStringList RegistryHive::keyPaths() const {
    QStringList paths;
    for (const Key& key : keys_)
        paths << key.path;
    return paths;
}

QStringList RegistryHive::valueNames(RegistryRoot root, const QString& key) const {
    QStringList names;
    if (const Key* found = findKey(fullPath(root, key)))
        for (const Value& value : found->values)
            names << value.name;
    return names;
}

RegistryHive::Key* RegistryHive::findKey(const QString& path) {
    return const_cast<Key*>(std::as_const(*this).findKey(path));
}

const RegistryHive::Key* RegistryHive::findKey(const QString& path) const {
    const auto found = byPath_.constFind(path.toCaseFolded());
    return found == byPath_.cend() ? nullptr : &keys_[size_t(*found)];
}

RegistryHive::Key& RegistryHive::addKey(const QString& path) {
    byPath_.insert(path.toCaseFolded(), qsizetype(keys_.size()));
    keys_.push_back(Key{path, {}, {}});
    return keys_.back();
}

void RegistryHive::putValue(Key& key, const QString& name, const QString& data) {
    const QString folded = name.toCaseFolded();
    if (const auto found = key.byName.constFind(folded); found != key.byName.cend()) {
        key.values[size_t(*found)].data = data;
        return;
    }
    key.byName.insert(folded, qsizetype(key.values.size()));
    key.values.push_back(Value{name, data});
}

void RegistryHive::reindex() {
    byPath_.clear();
    for (size_t i = 0; i < keys_.size(); ++i)
        byPath_.insert(keys_[i].path.toCaseFolded(), qsizetype(i));
}

bool RegistryHive::hasKey(RegistryRoot root, const QString& key) const {
    return findKey(fullPath(root, key));
}

void RegistryHive::createKey(RegistryRoot root, const QString& key) {
    QString path = registryRootName(root);
    for (const QString& part : components(key)) {
        path += u'\\' + part;
        if (!findKey(path))
            addKey(path);
    }
}

std::optional<QString> RegistryHive::value(RegistryRoot root, const QString& key,
                                           const QString& name) const {
    const Key* found = findKey(fullPath(root, key));
    if (!found)
        return std::nullopt;
    const auto at = found->byName.constFind(name.toCaseFolded());
    if (at == found->byName.cend())
        return std::nullopt;
    return found->values[size_t(*at)].data;
}

bool RegistryHive::setValue(RegistryRoot root, const QString& key, const QString& name,
                            const QString& data) {
    Key* found = findKey(fullPath(root, key));
    if (!found)
        return false;
    putValue(*found, name, data);
    return true;
}

bool RegistryHive::eraseValue(RegistryRoot root, const QString& key, const QString& name) {
    Key* found = findKey(fullPath(root, key));
    if (!found)
        return false;
    const auto at = found->byName.constFind(name.toCaseFolded());
    if (at == found->byName.cend())
        return false;
    found->values.erase(found->values.begin() + *at);
    found->byName.clear();
    for (size_t i = 0; i < found->values.size(); ++i)
        found->byName.insert(found->values[i].name.toCaseFolded(), qsizetype(i));
    return true;
}

bool RegistryHive::eraseKey(RegistryRoot root, const QString& key) {
    const QString folded = fullPath(root, key).toCaseFolded();
    const QString below = folded + u'\\';
    const auto erased = std::erase_if(keys_, [&](const Key& each) {
        const QString path = each.path.toCaseFolded();
        return path == folded || path.startsWith(below);
    });
    reindex();
    return erased > 0;
}

void RegistryHive::seed() {
    createKey(RegistryRoot::CurrentUser, QStringLiteral("Control Panel\\desktop"));

    const QString shellFolders = QLatin1String(kShellFoldersKey);
    createKey(RegistryRoot::CurrentUser, shellFolders);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString own = data + QStringLiteral("/lumora/");
    const std::pair<const char*, std::function<QString()>> folders[] = {
        {"Desktop",
         [] { return xdgUserFolder("XDG_DESKTOP_DIR", QStandardPaths::DesktopLocation); }},
        {"Personal",
         [] { return xdgUserFolder("XDG_DOCUMENTS_DIR", QStandardPaths::DocumentsLocation); }},
        {"Templates",
         [] { return xdgUserFolder("XDG_TEMPLATES_DIR", QStandardPaths::TemplatesLocation); }},
        {"Startup", [&] { return config + QStringLiteral("/autostart"); }},
        {"Programs", [&] { return data + QStringLiteral("/applications"); }},
        {"Start Menu", [&] { return data + QStringLiteral("/applications"); }},
        {"Fonts", [&] { return data + QStringLiteral("/fonts"); }},
        {"Favorites", [&] { return own + QStringLiteral("Favorites"); }},
        {"Recent", [&] { return own + QStringLiteral("Recent"); }},
        {"SendTo", [&] { return own + QStringLiteral("SendTo"); }},
    };
    for (const auto& [name, folder] : folders)
        if (!value(RegistryRoot::CurrentUser, shellFolders, QLatin1String(name)))
            setValue(RegistryRoot::CurrentUser, shellFolders, QLatin1String(name), folder());
}

// --- HiveRegistry

HiveRegistry::HiveRegistry(const QString& path) : path_(path) {}

QString HiveRegistry::path() const {
    if (!path_.isEmpty())
        return path_;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora/") + QLatin1String(kFileName);
}

std::optional<RegistryHive> HiveRegistry::load() const {
    const QString file = path();
    QFile hive;
    const qint64 size = openRegularFile(hive, file);
    RegistryHive result;
    if (size >= 0) {
        if (size > kMaxHiveSize)
            return std::nullopt;
        const QByteArray bytes = hive.readAll();
        if (hive.error() != QFileDevice::NoError)
            return std::nullopt;
        result = RegistryHive::parse(bytes);
    } else {
        // Only a hive that is not there at all starts anew.
        struct stat st {};
        const QByteArray name = encodeFileName(file);
        if (name.contains('\0') || ::lstat(name.constData(), &st) == 0 || errno != ENOENT)
            return std::nullopt;
    }
    result.seed();
    return result;
}

RegistryHive HiveRegistry::readable() const {
    std::optional<RegistryHive> hive = load();
    if (hive)
        return std::move(*hive);
    RegistryHive seeded;
    seeded.seed();
    return seeded;
}

bool HiveRegistry::keyExists(RegistryRoot root, const QString& key) const {
    return readable().hasKey(root, key);
}

std::optional<QString> HiveRegistry::readString(RegistryRoot root, const QString& key,
                                                const QString& name) const {
    return readable().value(root, key, name);
}

void HiveRegistry::writeString(RegistryRoot root, const QString& key, const QString& name,
                               const QString& value, KeyAccess access) {
    bool missing = false;
    update([&](RegistryHive& hive) {
        if (access == KeyAccess::Create)
            hive.createKey(root, key);
        missing = !hive.setValue(root, key, name, value);
        return !missing;
    });
    if (missing)
        throw EError(QStringLiteral("The registry key %1 does not exist")
                         .arg(registryRootName(root) + u'\\' + components(key).join(u'\\')));
}

bool HiveRegistry::deleteValue(RegistryRoot root, const QString& key, const QString& name) {
    return update([&](RegistryHive& hive) { return hive.eraseValue(root, key, name); });
}

bool HiveRegistry::deleteKey(RegistryRoot root, const QString& key) {
    return update([&](RegistryHive& hive) { return hive.eraseKey(root, key); });
}

bool HiveRegistry::update(const std::function<bool(RegistryHive&)>& edit) {
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        failWrite();
    const QByteArray lockName = encodeFileName(file + QStringLiteral(".lock"));
    struct Lock {
        int fd = -1;
        ~Lock() {
            if (fd >= 0)
                ::close(fd);  // closing releases the lock
        }
    } lock;
    if (!lockName.contains('\0'))
        lock.fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock.fd < 0)
        failWrite();
    QElapsedTimer waited;
    waited.start();
    while (::flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() > kLockWaitMs)
            failWrite();
        QThread::usleep(500);
    }
    std::optional<RegistryHive> hive = load();
    if (!hive)
        failWrite();
    if (!edit(*hive))
        return false;
    if (!replaceFile(file, hive->serialize()))
        failWrite();
    return true;
}

void HiveRegistry::failWrite() const {
    throw EError(QStringLiteral("Unable to write to %1").arg(path()));
}

// --- the registry in use

namespace {
Registry* current = nullptr;
}  // namespace

Registry& registry() {
    static HiveRegistry hive;
    return current ? *current : hive;
}

void setRegistry(Registry* replacement) {
    current = replacement;
}

}  // namespace lumora

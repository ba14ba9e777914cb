#include "platform/file_types.h"

#include "base/file_name.h"
#include "platform/icons.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace lumora {
namespace {

constexpr int kUpdateTimeoutMs = 10000;
constexpr std::array kThemeSides = {16, 24, 32, 48, 64, 128, 256};

// A name with bytes that are not UTF-8 carries them as U+DC80..U+DCFF.
bool isUtf8Name(const QString& name) {
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; });
}

QString xmlEscaped(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c == u'&') {
            out += QLatin1String("&amp;");
        } else if (c == u'<') {
            out += QLatin1String("&lt;");
        } else if (c == u'>') {
            out += QLatin1String("&gt;");
        } else if (c == u'"') {
            out += QLatin1String("&quot;");
        } else if (c.isSurrogate() || (c.unicode() < 0x20 && c != u'\t' && c != u'\n') ||
                   c.unicode() >= 0xFFFE) {
            continue;  // XML cannot hold it
        } else {
            out += c;
        }
    }
    return out;
}

// A desktop entry's string value on one line: what could end the line or
// start an escape is escaped, other control characters are dropped.
QString entryEscaped(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out += c;
    }
    return out;
}

QString iconNameFor(const QString& mimeType) {
    return QString(mimeType).replace(u'/', u'-');
}

QString failure(const QString& path, const QString& cause) {
    return path + QStringLiteral(": ") + cause;
}

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// $XDG_..._HOME when it is an absolute path, else the default below $HOME.
QString xdgHome(const char* variable, const char* fallback) {
    const QByteArray value = qgetenv(variable);
    if (value.startsWith('/'))
        return decodeFileName(value);
    return QDir::homePath() + u'/' + QLatin1String(fallback);
}

bool isSystemFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder) + u'/';
    return clean.startsWith(QLatin1String("/usr/")) || clean.startsWith(QLatin1String("/etc/"));
}

// mkdir -p by the exact bytes; empty or why it failed.
QString makeFolders(const QString& folder) {
    const QByteArray bytes = encodeFileName(folder);
    for (qsizetype at = 1; at <= bytes.size(); ++at) {
        if (at < bytes.size() && bytes[at] != '/')
            continue;
        const QByteArray part = bytes.left(at);
        if (::mkdir(part.constData(), 0755) != 0 && errno != EEXIST)
            return failure(decodeFileName(part), errnoText(errno));
    }
    struct stat info {};
    if (::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return failure(folder, QStringLiteral("not a folder"));
    return {};
}

QString writeWhole(const QString& path, const QByteArray& bytes) {
    if (QString made = makeFolders(QFileInfo(path).path()); !made.isEmpty())
        return made;
    errno = 0;
    if (!replaceFile(path, bytes))
        return failure(path, errno ? errnoText(errno) : QStringLiteral("cannot be replaced"));
    return {};
}

// The file a name stands for: a symbolic link's target, so the link stays.
QString linkTarget(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    return info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
}

// The type of an installed package other than ours whose glob is exactly
// "*" + extension, as the MIME databases list them.
QString mimeTypeClaiming(const QString& extension, const QString& ownType,
                         const QString& dataHome) {
    QStringList folders{dataHome};
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    folders += dirs.isEmpty()
                   ? QStringList{QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")}
                   : decodeFileName(dirs).split(u':', Qt::SkipEmptyParts);
    const QByteArray glob = ('*' + extension).toUtf8().toLower();
    for (const QString& folder : folders) {
        QFile file(folder + QStringLiteral("/mime/globs2"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // weight:type:glob[:flags]
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(':');
            if (fields.size() >= 3 && !line.startsWith('#') && fields[2].toLower() == glob &&
                QString::fromUtf8(fields[1]) != ownType)
                return QString::fromUtf8(fields[1]);
        }
    }
    return {};
}

// The number after the last "," of "file,number", when it names an icon.
std::optional<int> iconNumber(const QString& iconText, const IconResources& icons) {
    bool ok = false;
    const int number = iconText.mid(iconText.lastIndexOf(u',') + 1).toInt(&ok);
    if (!ok || number < 0 || number >= icons.count())
        return std::nullopt;
    return number;
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Writes the icon's images at the theme's sizes it has, else one of 32
// pixels from its largest. False: no icon to show, nothing written.
bool writeThemeIcon(const QString& iconText, const QString& iconName, const QString& hicolor,
                    QString* error) {
    if (iconText.isEmpty())
        return false;
    const IconResources icons = IconResources::open(iconText.left(iconText.lastIndexOf(u',')));
    const std::optional<int> number = iconNumber(iconText, icons);
    if (!number)
        return false;
    std::vector<std::pair<int, QImage>> images;
    const std::vector<int> sides = icons.squareSides(*number);
    for (const int side : kThemeSides)
        if (std::find(sides.begin(), sides.end(), side) != sides.end())
            if (QImage image = icons.icon(*number, side); !image.isNull())
                images.emplace_back(side, std::move(image));
    if (images.empty()) {
        const int largest = sides.empty() ? 32 : std::min(sides.back(), kMaxIconSide);
        const QImage image = icons.icon(*number, largest);
        if (image.isNull())
            return false;
        images.emplace_back(32,
                            image.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    for (const auto& [side, image] : images) {
        const QString path = hicolor + QStringLiteral("/%1x%1/mimetypes/").arg(side) + iconName +
                             QStringLiteral(".png");
        if (QString failed = writeWhole(path, pngBytes(image)); !failed.isEmpty()) {
            *error = failed;
            return false;
        }
    }
    // Icon caches look at the theme folder's time.
    ::utimensat(AT_FDCWD, encodeFileName(hicolor).constData(), nullptr, 0);
    return true;
}

QString updateDatabase(const char* tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(QLatin1String(tool));
    if (program.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {folder});
    if (!process.waitForStarted(kUpdateTimeoutMs))
        return failure(folder, QLatin1String(tool) + QStringLiteral(" did not start"));
    if (!process.waitForFinished(kUpdateTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return failure(folder, QLatin1String(tool) + QStringLiteral(" did not finish in time"));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return failure(folder, QLatin1String(tool) + QStringLiteral(" failed: ") +
                                   QString::fromLocal8Bit(process.readAll()).trimmed());
    return {};
}

}  // namespace

QString mimeTypeFor(const QString& typeName) {
    return QStringLiteral("application/x-") + typeName.toLower().replace(u'_', u'-');
}

QByteArray mimePackageXml(const QString& mimeType, const QString& description,
                          const QString& extension, const QString& iconName) {
    QString xml =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"%1\">\n"
            "    <comment>%2</comment>\n")
            .arg(xmlEscaped(mimeType), xmlEscaped(description));
    if (!iconName.isEmpty())
        xml += QStringLiteral("    <icon name=\"%1\"/>\n").arg(xmlEscaped(iconName));
    xml += QStringLiteral("    <glob pattern=\"*%1\"/>\n  </mime-type>\n</mime-info>\n")
               .arg(xmlEscaped(extension));
    return xml.toUtf8();
}

QString desktopExecValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted = entryEscaped(quoted);
    quoted.replace(u'%', QLatin1String("%%"));
    return (program.contains(u'%') ? QStringLiteral("env ") : QString()) + quoted +
           QStringLiteral(" %f");
}

QByteArray desktopEntryText(const QString& program, const QString& description,
                            const QString& iconName, const QString& mimeType) {
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                   entryEscaped(program.mid(program.lastIndexOf(u'/') + 1)) +
                   QStringLiteral("\nComment=") + entryEscaped(description) +
                   QStringLiteral("\nExec=") + desktopExecValue(program) + u'\n';
    if (!iconName.isEmpty())
        text += QStringLiteral("Icon=") + entryEscaped(iconName) + u'\n';
    text += QStringLiteral("MimeType=") + entryEscaped(mimeType) +
            QStringLiteral(";\nNoDisplay=true\nTerminal=false\n");
    return text.toUtf8();
}

QByteArray withDefaultApplication(const QByteArray& mimeAppsList, const QString& mimeType,
                                  const QString& desktopId) {
    enum Section { Other, Default, Added, Removed, kSections };
    static const QByteArray kHeaders[] = {
        {}, "[Default Applications]", "[Added Associations]", "[Removed Associations]"};
    const QByteArray key = mimeType.toUtf8();
    const QByteArray id = desktopId.toUtf8();

    QList<QByteArray> lines = mimeAppsList.split('\n');
    const bool endsWithNewline = mimeAppsList.isEmpty() || mimeAppsList.endsWith('\n');
    if (endsWithNewline)
        lines.removeLast();  // the empty text after the last line end
    const bool crLines = !lines.isEmpty() && lines.first().endsWith('\r');
    const QByteArray eol = crLines ? "\r\n" : "\n";

    std::array<bool, kSections> found{};
    // Where a section's new entry goes: after the last entry of its first occurrence.
    std::array<qsizetype, kSections> insertAt;
    insertAt.fill(-1);
    Section current = Other;
    bool firstOccurrence = false;
    QList<QByteArray> out;
    out.reserve(lines.size() + 2);
    for (QByteArray& line : lines) {
        const bool cr = line.endsWith('\r');
        const QByteArray body = cr ? line.chopped(1) : line;
        const QByteArray trimmed = body.trimmed();
        if (trimmed.startsWith('[')) {
            current = Other;
            for (int s = Default; s < kSections; ++s)
                if (trimmed == kHeaders[s])
                    current = Section(s);
            firstOccurrence = current != Other && insertAt[current] < 0;
            out << std::move(line);
            if (firstOccurrence)
                insertAt[current] = out.size();
            continue;
        }
        const qsizetype equals = body.indexOf('=');
        if (current != Other && equals >= 0 && body.left(equals).trimmed() == key) {
            QList<QByteArray> ids;
            for (const QByteArray& entry : body.mid(equals + 1).split(';'))
                if (const QByteArray name = entry.trimmed(); !name.isEmpty() && name != id)
                    ids << name;
            if (current != Removed)
                ids.prepend(id);
            found[current] = true;
            if (ids.isEmpty())
                continue;  // nothing of the type is removed any more
            line = body.left(equals + 1) + ids.join(';') + ';' + (cr ? "\r" : "");
        }
        out << std::move(line);
        if (firstOccurrence && !trimmed.isEmpty() && !trimmed.startsWith('#'))
            insertAt[current] = out.size();
    }

    // Sections without an entry for the type get one, the later place first so
    // the earlier stays right; sections not there at all come at the end.
    QByteArray tail;
    std::vector<std::pair<qsizetype, Section>> inserts;
    for (const Section s : {Default, Added}) {
        if (found[s])
            continue;
        if (insertAt[s] >= 0) {
            inserts.emplace_back(insertAt[s], s);
            continue;
        }
        if (!tail.isEmpty() || !out.isEmpty())
            tail += eol;
        tail += kHeaders[s] + eol + key + '=' + id + ';' + eol;
    }
    std::sort(inserts.rbegin(), inserts.rend());
    for (const auto& [at, section] : inserts)
        out.insert(at, key + '=' + id + ';' + (crLines ? "\r" : ""));

    QByteArray text = out.join('\n');
    if (!out.isEmpty() && (endsWithNewline || !tail.isEmpty()))
        text += '\n';
    return text + tail;
}

QString exportFileType(const FileTypeClass& type) {
    const QString dataHome = xdgHome("XDG_DATA_HOME", ".local/share");
    const QString configHome = xdgHome("XDG_CONFIG_HOME", ".config");
    for (const QString& home : {dataHome, configHome})
        if (isSystemFolder(home))
            return failure(home, QStringLiteral("a system folder, which only packages change"));
    if (!isUtf8Name(type.program))
        return failure(type.program,
                       QStringLiteral("a desktop entry can only name programs whose names are "
                                      "UTF-8"));

    const QString ownType = mimeTypeFor(type.typeName);
    const QString baseName = QStringLiteral("lumora-") + ownType.mid(ownType.indexOf(u"/x-") + 3);
    const QString claimedBy = mimeTypeClaiming(type.extension, ownType, dataHome);
    const QString mimeType = claimedBy.isEmpty() ? ownType : claimedBy;

    QString error;
    const QString iconName = iconNameFor(ownType);
    const bool hasIcon =
        writeThemeIcon(type.icon, iconName, dataHome + QStringLiteral("/icons/hicolor"), &error);
    if (!error.isEmpty())
        return error;
    const QString shownIcon = hasIcon ? iconName : QString();

    const QString package =
        dataHome + QStringLiteral("/mime/packages/") + baseName + QStringLiteral(".xml");
    if (claimedBy.isEmpty())
        error = writeWhole(package,
                           mimePackageXml(ownType, type.description, type.extension, shownIcon));
    else
        QFile::remove(package);  // the extension is another type's now
    if (!error.isEmpty())
        return error;

    const QString desktopId = baseName + QStringLiteral(".desktop");
    error = writeWhole(dataHome + QStringLiteral("/applications/") + desktopId,
                       desktopEntryText(type.program, type.description, shownIcon, mimeType));
    if (!error.isEmpty())
        return error;

    const QString listPath = linkTarget(configHome + QStringLiteral("/mimeapps.list"));
    QFile list(listPath);
    QByteArray old;
    if (list.exists()) {
        if (!list.open(QIODevice::ReadOnly))
            return failure(listPath, list.errorString());
        old = list.readAll();
        list.close();
    }
    error = writeWhole(listPath, withDefaultApplication(old, mimeType, desktopId));
    if (!error.isEmpty())
        return error;

    error = updateDatabase("update-mime-database", dataHome + QStringLiteral("/mime"));
    if (error.isEmpty())
        error =
            updateDatabase("update-desktop-database", dataHome + QStringLiteral("/applications"));
    return error;
}

}  // namespace lumora

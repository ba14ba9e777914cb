#include "platform/desktop.h"

#include "base/file_name.h"
#include "platform/desktop_backends.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

namespace lumora {
namespace {

using namespace desktop_backends;

// Where pictures the desktop cannot load go over as PNG copies.
QString copyFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumora");
}

// D-Bus and gsettings texts are UTF-8: a plain path that is not cannot be sent.
bool isUtf8Name(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// A new name each time: desktops do not load a URI again that they already show.
QString newCopy(const QImage& picture) {
    static int made = 0;
    const QString folder = copyFolder();
    const QString path =
        folder +
        QStringLiteral("/wallpaper-%1-%2.png").arg(QDateTime::currentMSecsSinceEpoch()).arg(++made);
    if (!QDir().mkpath(folder) || !picture.save(path, "PNG")) {
        QFile::remove(path);
        return {};
    }
    return path;
}

// Copies that no longer show: all but keep.
void removeOldCopies(const QString& keep) {
    QDir folder(copyFolder());
    for (const QString& name : folder.entryList({QStringLiteral("wallpaper-*.png")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        if (path != keep)
            QFile::remove(path);
    }
}

bool onWayland() {
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

// Done runs later, as it does after a call to another program.
void finishLater(Desktop::Done done, const QString& failure) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [done = std::move(done), failure] { done(failure); });
}

class LinuxDesktop final : public Desktop {
public:
    void applyWallpaper(const WallpaperRequest& request, Done done) override {
        const QByteArray named = qgetenv("XDG_CURRENT_DESKTOP");
        const DesktopKind kind = desktopKind(named);
        if (kind == DesktopKind::Other) {
            applyToRoot(named, request, std::move(done));
            return;
        }
        QString file = request.file;
        QString copy;
        const bool plainPath = kind == DesktopKind::Mate || kind == DesktopKind::Xfce;
        if (request.style != WallpaperStyle::None &&
            (!request.desktopReadsFile || (plainPath && !isUtf8Name(file)))) {
            copy = newCopy(request.picture);
            if (copy.isEmpty()) {
                finishLater(std::move(done),
                            QStringLiteral("Cannot create file %1").arg(copyFolder()));
                return;
            }
            file = copy;
        }
        auto finish = [copy, done = std::move(done)](const QString& failure) {
            if (failure.isEmpty())
                removeOldCopies(copy);
            else if (!copy.isEmpty())
                QFile::remove(copy);
            done(failure);
        };
        switch (kind) {
            case DesktopKind::Gnome:
                applyThroughGsettings(kGnomeSchema, request.style, file, std::move(finish));
                break;
            case DesktopKind::Cinnamon:
                applyThroughGsettings(kCinnamonSchema, request.style, file, std::move(finish));
                break;
            case DesktopKind::Mate:
                applyThroughGsettings(kMateSchema, request.style, file, std::move(finish));
                break;
            case DesktopKind::Plasma:
                applyThroughPlasma(request.style, file, std::move(finish));
                break;
            case DesktopKind::Xfce:
                applyThroughXfconf(request.style, file, std::move(finish));
                break;
            case DesktopKind::Other:
                break;
        }
    }

private:
    static void applyToRoot(const QByteArray& named, const WallpaperRequest& request, Done done) {
        QString failure;
        if (onWayland()) {
            failure = QStringLiteral(
                          "The desktop runs on Wayland, and Lumora knows no way to set "
                          "the wallpaper of \"%1\".")
                          .arg(named.isEmpty() ? QStringLiteral("unknown") : QString(named));
        } else if (qgetenv("DISPLAY").isEmpty()) {
            failure = QStringLiteral(
                "There is no desktop to show the wallpaper on: no X display, "
                "and no desktop that Lumora knows.");
        } else {
            failure = applyToX11Root(request.style, request.picture);
            if (failure.isEmpty())
                removeOldCopies(QString());
        }
        finishLater(std::move(done), failure);
    }
};

Desktop* current = nullptr;

}  // namespace

Desktop& desktop() {
    static LinuxDesktop linux;
    return current ? *current : linux;
}

void setDesktop(Desktop* replacement) {
    current = replacement;
}

DesktopKind desktopKind(const QByteArray& currentDesktop) {
    struct Known {
        const char* name;
        DesktopKind kind;
    };
    static constexpr Known kKnown[] = {
        {"GNOME", DesktopKind::Gnome},
        {"GNOME-Classic", DesktopKind::Gnome},
        {"GNOME-Flashback", DesktopKind::Gnome},
        {"Unity", DesktopKind::Gnome},
        {"Budgie", DesktopKind::Gnome},
        {"Pantheon", DesktopKind::Gnome},
        {"X-Cinnamon", DesktopKind::Cinnamon},
        {"Cinnamon", DesktopKind::Cinnamon},
        {"MATE", DesktopKind::Mate},
        {"KDE", DesktopKind::Plasma},
        {"XFCE", DesktopKind::Xfce},
    };
    for (const QByteArray& entry : currentDesktop.split(':'))
        for (const Known& known : kKnown)
            if (entry.trimmed().compare(known.name, Qt::CaseInsensitive) == 0)
                return known.kind;
    return DesktopKind::Other;
}

QByteArray fileUri(const QString& path) {
    QByteArray uri = "file://";
    for (const char c : encodeFileName(path)) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved)
            uri += c;
        else
            uri += '%' + QByteArray::number(static_cast<unsigned char>(c), 16)
                             .rightJustified(2, '0')
                             .toUpper();
    }
    return uri;
}

}  // namespace lumora

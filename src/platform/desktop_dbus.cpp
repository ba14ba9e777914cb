// KDE Plasma (plasmashell's scripting) and XFCE (xfconf) over the session
// bus. No connection is made before the first wallpaper goes to one of them.
#include "platform/desktop_backends.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QVariantMap>
#include <memory>

namespace lumora::desktop_backends {
namespace {

// The bus DBUS_SESSION_BUS_ADDRESS names now (else the user's bus in the
// runtime folder): never one started on the fly for the X display, which
// can hang.
QDBusConnection sessionBus() {
    QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
            address = QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    }
    const QString name = QStringLiteral("lumora-desktop ") + address;
    QDBusConnection existing(name);
    if (existing.isConnected())
        return existing;
    QDBusConnection::disconnectFromBus(name);
    return QDBusConnection::connectToBus(address, name);
}

QString callFailure(const QString& service, const QDBusMessage& reply) {
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return QStringLiteral("%1 did not answer within %2 seconds")
            .arg(service)
            .arg(kCallTimeoutMs / 1000);
    return QStringLiteral("%1: %2").arg(service, reply.errorMessage());
}

// Sends the calls together and runs `then` with their replies once all are
// in, or done with the first failure.
void callAll(const QString& service, const std::vector<QDBusMessage>& calls,
             const Desktop::Done& done,
             std::function<void(const std::vector<QDBusMessage>& replies)> then) {
    QDBusConnection bus = sessionBus();
    if (!bus.isConnected()) {
        done(QStringLiteral("There is no D-Bus session to reach %1: %2")
                 .arg(service, bus.lastError().message()));
        return;
    }
    struct Pending {
        std::vector<QDBusMessage> replies;
        size_t outstanding = 0;
        bool failed = false;
    };
    auto pending = std::make_shared<Pending>();
    pending->replies.resize(calls.size());
    pending->outstanding = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(calls[i], kCallTimeoutMs),
                                                    QCoreApplication::instance());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [=](QDBusPendingCallWatcher* call) {
                             call->deleteLater();
                             if (pending->failed)
                                 return;
                             const QDBusMessage reply = call->reply();
                             if (reply.type() == QDBusMessage::ErrorMessage) {
                                 pending->failed = true;
                                 done(callFailure(service, reply));
                                 return;
                             }
                             pending->replies[i] = reply;
                             if (--pending->outstanding == 0)
                                 then(pending->replies);
                         });
    }
}

// --- KDE Plasma

// Plasma's fill modes: the picture's own size, centred, or tiled.
constexpr int kPlasmaPad = 6;
constexpr int kPlasmaTile = 3;

const QString kImagePlugin = QStringLiteral("org.kde.image");
const QString kColourPlugin = QStringLiteral("org.kde.color");

// Sets every desktop's wallpaper, then prints what each now has:
// "wallpaper <plugin> <image> <fill mode>" a line.
QString plasmaScript(const QString& plugin, const QByteArray& uri, int fillMode) {
    return QStringLiteral(
               "var plugin = '%1';\n"
               "var image = '%2';\n"
               "var all = desktops();\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    var d = all[i];\n"
               "    d.wallpaperPlugin = plugin;\n"
               "    if (plugin == 'org.kde.image') {\n"
               "        d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
               "        d.writeConfig('Image', image);\n"
               "        d.writeConfig('FillMode', %3);\n"
               "    }\n"
               "}\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    var d = all[i];\n"
               "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
               "    print('wallpaper ' + d.wallpaperPlugin + ' ' + d.readConfig('Image') + ' ' +\n"
               "          d.readConfig('FillMode') + '\\n');\n"
               "}\n")
        .arg(plugin, QString::fromLatin1(uri))
        .arg(fillMode);
}

// --- XFCE

const QString kXfconf = QStringLiteral("org.xfce.Xfconf");
const QString kChannel = QStringLiteral("xfce4-desktop");

QDBusMessage xfconfCall(const char* method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kXfconf, QStringLiteral("/org/xfce/Xfconf"),
                                                       kXfconf, QLatin1String(method));
    call.setArguments(arguments);
    return call;
}

QVariantMap propertiesIn(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QVariantMap()
                                       : qdbus_cast<QVariantMap>(reply.arguments().front());
}

// xfdesktop's image styles.
int xfceStyle(WallpaperStyle style) {
    switch (style) {
        case WallpaperStyle::Centred:
            return 1;
        case WallpaperStyle::Tiled:
            return 2;
        case WallpaperStyle::None:
            break;
    }
    return 0;
}

}  // namespace

void applyThroughPlasma(WallpaperStyle style, const QString& file, Desktop::Done done) {
    const bool none = style == WallpaperStyle::None;
    const QByteArray uri = none ? QByteArray() : fileUri(file);
    const QString plugin = none ? kColourPlugin : kImagePlugin;
    const int fillMode = style == WallpaperStyle::Tiled ? kPlasmaTile : kPlasmaPad;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << plasmaScript(plugin, uri, fillMode);
    const QString service = QStringLiteral("plasmashell");
    callAll(service, {call}, done, [=](const std::vector<QDBusMessage>& replies) {
        const QString output = replies.front().arguments().value(0).toString();
        int desktops = 0;
        for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList words = line.split(u' ');
            if (words.value(0) != QLatin1String("wallpaper"))
                continue;
            ++desktops;
            const bool kept = none ? words.value(1) == kColourPlugin
                                   : words.value(1) == kImagePlugin &&
                                         words.value(2) == QLatin1String(uri) &&
                                         words.value(3) == QString::number(fillMode);
            if (!kept) {
                done(QStringLiteral("plasmashell did not keep the wallpaper: %1").arg(line));
                return;
            }
        }
        done(desktops ? QString() : QStringLiteral("plasmashell reported no desktop"));
    });
}

void applyThroughXfconf(WallpaperStyle style, const QString& file, Desktop::Done done) {
    const QString service = QStringLiteral("xfconf");
    const QString backdrop = QStringLiteral("/backdrop");
    callAll(
        service, {xfconfCall("GetAllProperties", {kChannel, backdrop})}, done,
        [=](const std::vector<QDBusMessage>& replies) {
            // One picture per monitor and workspace, each with its style.
            QVariantMap wanted;
            for (const QString& property : propertiesIn(replies.front()).keys()) {
                if (!property.endsWith(QLatin1String("/last-image")))
                    continue;
                const QString base = property.left(property.size() - 11);
                if (style != WallpaperStyle::None)
                    wanted.insert(property, file);
                wanted.insert(base + QStringLiteral("/image-style"), xfceStyle(style));
            }
            if (wanted.isEmpty()) {
                done(QStringLiteral("xfconf has no backdrop of xfdesktop to set"));
                return;
            }
            std::vector<QDBusMessage> writes;
            for (auto at = wanted.cbegin(); at != wanted.cend(); ++at)
                writes.push_back(xfconfCall(
                    "SetProperty", {kChannel, at.key(), QVariant::fromValue(QDBusVariant(*at))}));
            callAll(service, writes, done, [=](const std::vector<QDBusMessage>&) {
                callAll(service, {xfconfCall("GetAllProperties", {kChannel, backdrop})}, done,
                        [=](const std::vector<QDBusMessage>& readBack) {
                            const QVariantMap now = propertiesIn(readBack.front());
                            for (auto at = wanted.cbegin(); at != wanted.cend(); ++at) {
                                if (now.value(at.key()) != *at) {
                                    done(QStringLiteral("xfconf did not keep %1").arg(at.key()));
                                    return;
                                }
                            }
                            done(QString());
                        });
            });
        });
}

}  // namespace lumora::desktop_backends

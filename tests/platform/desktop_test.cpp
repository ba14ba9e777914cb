#include "platform/desktop.h"
#include "base/file_name.h"
#include "support/qt_print.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace lumora {
namespace {

// Applies a wallpaper through the desktop of the environment and waits for
// its answer: the failure text, or no value when none came in time.
std::optional<QString> apply(WallpaperStyle style, const QString& file, int waitMs = 20000,
                             bool desktopReadsFile = true) {
    auto answer = std::make_shared<std::optional<QString>>();
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    desktop().applyWallpaper({style, file, desktopReadsFile, picture},
                             [answer](const QString& failure) { *answer = failure; });
    // No answer in time is the caller's failure: it gets nullopt.
    static_cast<void>(QTest::qWaitFor([&] { return answer->has_value(); }, waitMs));
    return *answer;
}

// A file named by these bytes in the folder.
QString makeFile(const QString& folder, const QByteArray& name) {
    const QString path = folder + u'/' + decodeFileName(name);
    const int fd = ::open(encodeFileName(path).constData(), O_CREAT | O_WRONLY, 0644);
    EXPECT_GE(fd, 0);
    ::close(fd);
    return path;
}

// What gsettings itself reads back, as it prints it.
QString gsettingsGet(const char* schema, const char* key) {
    QProcess process;
    process.start(QStringLiteral("gsettings"),
                  {QStringLiteral("get"), QLatin1String(schema), QLatin1String(key)});
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool schemaInstalled(const char* schema) {
    QProcess process;
    process.start(QStringLiteral("gsettings"), {QStringLiteral("list-schemas")});
    process.waitForFinished(10000);
    return process.readAllStandardOutput().split('\n').contains(QByteArray(schema));
}

QString quoted(const QByteArray& text) {
    return u'\'' + QString::fromUtf8(text) + u'\'';
}

QStringList copiesMade() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/lumora"))
        .entryList({QStringLiteral("wallpaper-*.png")}, QDir::Files);
}

class DesktopEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"})
            unsetenv(name);
    }
    void TearDown() override { unsetenv("GSETTINGS_BACKEND"); }
    test::ScratchDir dir_;
};

TEST(DesktopNames, TheFirstKnownEntryOfTheListWinsAndUrisKeepEveryByte) {
    EXPECT_EQ(desktopKind("ubuntu:GNOME"), DesktopKind::Gnome);
    EXPECT_EQ(desktopKind("Budgie:GNOME"), DesktopKind::Gnome);
    EXPECT_EQ(desktopKind("X-Cinnamon"), DesktopKind::Cinnamon);
    EXPECT_EQ(desktopKind("mate"), DesktopKind::Mate);
    EXPECT_EQ(desktopKind("Hyprland:KDE:GNOME"), DesktopKind::Plasma);
    EXPECT_EQ(desktopKind("XFCE"), DesktopKind::Xfce);
    EXPECT_EQ(desktopKind("sway"), DesktopKind::Other);
    EXPECT_EQ(desktopKind(""), DesktopKind::Other);
    EXPECT_EQ(fileUri(decodeFileName(QByteArray("/a b/100%#1\n'\xff~_.-.png"))),
              QByteArray("file:///a%20b/100%25%231%0A%27%FF~_.-.png"));
}

TEST_F(DesktopEnvironment, GnomeKeepsBothPicturesAndTheOptionInItsSchema) {
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
    const QString file = makeFile(dir_.path(), "it's 100% #1\n\xff.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Centred, file).value_or("no answer"), QString());
    const QString uri = quoted(fileUri(file));
    EXPECT_EQ(gsettingsGet("org.gnome.desktop.background", "picture-uri"), uri);
    EXPECT_EQ(gsettingsGet("org.gnome.desktop.background", "picture-uri-dark"), uri);
    EXPECT_EQ(gsettingsGet("org.gnome.desktop.background", "picture-options"), "'centered'");
    ASSERT_EQ(apply(WallpaperStyle::Tiled, file).value_or("no answer"), QString());
    EXPECT_EQ(gsettingsGet("org.gnome.desktop.background", "picture-options"), "'wallpaper'");
    ASSERT_EQ(apply(WallpaperStyle::None, QString()).value_or("no answer"), QString());
    EXPECT_EQ(gsettingsGet("org.gnome.desktop.background", "picture-options"), "'none'");
    EXPECT_TRUE(copiesMade().isEmpty());
}

TEST_F(DesktopEnvironment, MateTakesAPlainPathAndAPngCopyWhereThePathCannotGo) {
    if (!schemaInstalled("org.mate.background"))
        GTEST_SKIP() << "MATE's schema is not installed";
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CURRENT_DESKTOP", "MATE", 1);
    const QString plain = makeFile(dir_.path(), "plain #1.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Tiled, plain).value_or("no answer"), QString());
    EXPECT_EQ(gsettingsGet("org.mate.background", "picture-filename"), quoted(plain.toUtf8()));
    EXPECT_EQ(gsettingsGet("org.mate.background", "picture-options"), "'wallpaper'");

    // Not UTF-8, or a format desktops do not read: a new copy each time, the old one gone.
    const QString odd = makeFile(dir_.path(), "caf\xe9.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Centred, odd).value_or("no answer"), QString());
    const QStringList first = copiesMade();
    ASSERT_EQ(first.size(), 1);
    const QString pcx = makeFile(dir_.path(), "old.pcx");
    ASSERT_EQ(apply(WallpaperStyle::Centred, pcx, 20000, false).value_or("no answer"), QString());
    const QStringList second = copiesMade();
    ASSERT_EQ(second.size(), 1);
    EXPECT_NE(second, first);
    const QString copy = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/lumora/") + second.front();
    EXPECT_EQ(gsettingsGet("org.mate.background", "picture-filename"), quoted(copy.toUtf8()));
    EXPECT_EQ(QImage(copy).pixelColor(0, 0), QColor(Qt::green));

    ASSERT_EQ(apply(WallpaperStyle::None, QString()).value_or("no answer"), QString());
    EXPECT_EQ(gsettingsGet("org.mate.background", "picture-filename"), "''");
    EXPECT_TRUE(copiesMade().isEmpty());
}

TEST_F(DesktopEnvironment, CinnamonUsesItsOwnSchema) {
    if (!schemaInstalled("org.cinnamon.desktop.background"))
        GTEST_SKIP() << "Cinnamon's schema is not installed";
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CURRENT_DESKTOP", "X-Cinnamon", 1);
    const QString file = makeFile(dir_.path(), "c.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Centred, file).value_or("no answer"), QString());
    EXPECT_EQ(gsettingsGet("org.cinnamon.desktop.background", "picture-uri"),
              quoted(fileUri(file)));
    EXPECT_EQ(gsettingsGet("org.cinnamon.desktop.background", "picture-options"), "'centered'");
}

TEST_F(DesktopEnvironment, ASettingThatIsNotKeptIsAFailure) {
    // The memory backend forgets each write when gsettings ends, as a
    // missing settings service does, and gsettings still exits 0.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    const auto failure = apply(WallpaperStyle::Centred, makeFile(dir_.path(), "a.jpg"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains(QStringLiteral("did not keep org.gnome.desktop.background")))
        << failure->toStdString();
}

TEST_F(DesktopEnvironment, WithoutAWayToShowItNothingPretends) {
    setenv("XDG_CURRENT_DESKTOP", "sway", 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    const auto onWayland = apply(WallpaperStyle::Centred, makeFile(dir_.path(), "a.jpg"));
    ASSERT_TRUE(onWayland.has_value());
    EXPECT_TRUE(onWayland->contains(QStringLiteral("Wayland"))) << onWayland->toStdString();

    unsetenv("WAYLAND_DISPLAY");
    const QByteArray display = qgetenv("DISPLAY");
    unsetenv("DISPLAY");
    const auto noDisplay = apply(WallpaperStyle::None, QString());
    if (!display.isEmpty())
        setenv("DISPLAY", display.constData(), 1);
    ASSERT_TRUE(noDisplay.has_value());
    EXPECT_TRUE(noDisplay->contains(QStringLiteral("no X display"))) << noDisplay->toStdString();
}

// A private session bus with the stand-ins of plasmashell and xfconf.
class PrivateBus : public DesktopEnvironment {
protected:
    void SetUp() override {
        DesktopEnvironment::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            std::system("/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null") != 0)
            GTEST_SKIP() << "dbus-daemon or python3's dbus and gi modules are missing";
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
        ASSERT_TRUE(bus_.waitForReadyRead(10000));
        const QByteArray address = bus_.readLine().trimmed();
        ASSERT_FALSE(address.isEmpty());
        previousBus_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        setenv("DBUS_SESSION_BUS_ADDRESS", address.constData(), 1);
    }
    void TearDown() override {
        for (QProcess* process : {&standIns_, &bus_}) {
            process->kill();
            process->waitForFinished();
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", previousBus_.constData(), 1);
        DesktopEnvironment::TearDown();
    }

    void startStandIns(const char* mode) {
        standIns_.start(QStringLiteral("/usr/bin/python3"),
                        {QString::fromUtf8(qgetenv("LUMORA_SOURCE_DIR")) +
                             QStringLiteral("/tests/platform/desktop_standins.py"),
                         record_, QLatin1String(mode)});
        ASSERT_TRUE(standIns_.waitForReadyRead(20000)) << standIns_.readAllStandardError().data();
        ASSERT_EQ(standIns_.readLine().trimmed(), "ready");
    }
    // The calls the stand-ins had, each as [method, arguments...].
    std::vector<QStringList> calls() const {
        std::vector<QStringList> result;
        QFile file(record_);
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    result.push_back(QJsonDocument::fromJson(line).toVariant().toStringList());
        return result;
    }

    QProcess bus_;
    QProcess standIns_;
    QByteArray previousBus_;
    QString record_ = dir_.filePath(QStringLiteral("calls.jsonl"));
};

TEST_F(PrivateBus, PlasmaSetsEveryDesktopAndIsReadBack) {
    startStandIns("answer");
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    const QString file = makeFile(dir_.path(), "it's #1.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Centred, file).value_or("no answer"), QString());
    ASSERT_EQ(apply(WallpaperStyle::Tiled, file).value_or("no answer"), QString());
    ASSERT_EQ(apply(WallpaperStyle::None, QString()).value_or("no answer"), QString());
    const auto made = calls();
    ASSERT_EQ(made.size(), 3u);
    const QString uri = QString::fromLatin1(fileUri(file));
    EXPECT_TRUE(made[0][1].contains("var plugin = 'org.kde.image';")) << made[0][1].toStdString();
    EXPECT_TRUE(made[0][1].contains("var image = '" + uri + "';"));
    EXPECT_TRUE(made[0][1].contains("writeConfig('FillMode', 6)"));  // Pad: centred
    EXPECT_TRUE(made[1][1].contains("writeConfig('FillMode', 3)"));  // Tile
    EXPECT_TRUE(made[2][1].contains("var plugin = 'org.kde.color';"));
    EXPECT_TRUE(made[0][1].contains("for (var i = 0; i < all.length; ++i)"));
}

TEST_F(PrivateBus, ServicesThatKeepTheOldPictureFail) {
    startStandIns("stale");
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    const QString file = makeFile(dir_.path(), "a.jpg");
    const auto plasma = apply(WallpaperStyle::Centred, file);
    ASSERT_TRUE(plasma.has_value());
    EXPECT_TRUE(plasma->startsWith(QStringLiteral("plasmashell did not keep the wallpaper")))
        << plasma->toStdString();
    setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
    const auto xfce = apply(WallpaperStyle::Centred, file);
    ASSERT_TRUE(xfce.has_value());
    EXPECT_TRUE(xfce->startsWith(QStringLiteral("xfconf did not keep"))) << xfce->toStdString();
}

TEST_F(PrivateBus, XfceSetsEachMonitorAndWorkspace) {
    startStandIns("answer");
    setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
    const QString file = makeFile(dir_.path(), "x #1.jpg");
    ASSERT_EQ(apply(WallpaperStyle::Tiled, file).value_or("no answer"), QString());
    ASSERT_EQ(apply(WallpaperStyle::None, QString()).value_or("no answer"), QString());
    QStringList sets;
    for (const QStringList& call : calls())
        if (call.value(0) == QLatin1String("SetProperty"))
            sets << call.mid(2).join(u'=');
    const QString base = QStringLiteral("/backdrop/screen0/");
    EXPECT_EQ(sets, QStringList({base + "monitorHDMI-1/workspace0/image-style=2",
                                 base + "monitorHDMI-1/workspace0/last-image=" + file,
                                 base + "monitorVirtual-1/workspace0/image-style=2",
                                 base + "monitorVirtual-1/workspace0/last-image=" + file,
                                 base + "monitorVirtual-1/workspace1/image-style=2",
                                 base + "monitorVirtual-1/workspace1/last-image=" + file,
                                 base + "monitorHDMI-1/workspace0/image-style=0",
                                 base + "monitorVirtual-1/workspace0/image-style=0",
                                 base + "monitorVirtual-1/workspace1/image-style=0"}));
}

TEST_F(PrivateBus, AServiceThatNeverAnswersFailsAfterFiveSeconds) {
    startStandIns("silent");
    setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
    QElapsedTimer waited;
    waited.start();
    const auto failure = apply(WallpaperStyle::Centred, makeFile(dir_.path(), "a.jpg"), 15000);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, QStringLiteral("xfconf did not answer within 5 seconds"));
    EXPECT_GE(waited.elapsed(), 4500);
}

}  // namespace
}  // namespace lumora

#include "platform/registry.h"
#include "base/file_name.h"
#include "platform/errors.h"
#include "settings/read_only_folder.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumora {
namespace {

const QString kDesktop = QStringLiteral("\\Control Panel\\desktop");
constexpr auto kUser = RegistryRoot::CurrentUser;

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(RegistryHive, AnyNameAndValueSurvivesTheFile) {
    const QString odd[] = {
        QStringLiteral("a=b [c] \\d \"e\" %f"),
        QStringLiteral("line\nbreak\r\nand\ttab"),
        QString(QChar(0)) + QStringLiteral("nul") + QChar(0x7F),
        decodeFileName(QByteArray("caf\xe9-\xff\xfe.bmp")),  // not UTF-8
        QStringLiteral("Grüße \U0001F600"),
        QString(),
    };
    RegistryHive hive;
    const QString key = QStringLiteral("Software\\odd ] [name] %41\\deeper");
    hive.createKey(RegistryRoot::ClassesRoot, key);
    for (const QString& name : odd)
        for (const QString& value : odd)
            ASSERT_TRUE(hive.setValue(RegistryRoot::ClassesRoot, key, name + u'|' + value, value));
    ASSERT_TRUE(hive.setValue(RegistryRoot::ClassesRoot, key, QString(), odd[3]));

    const QByteArray file = hive.serialize();
    EXPECT_FALSE(decodeFileName(file).contains(QChar(0xDCFF)));  // the file itself is UTF-8 text
    const RegistryHive read = RegistryHive::parse(file);
    EXPECT_EQ(
        read.keyPaths(),
        QStringList({QStringLiteral("HKEY_CLASSES_ROOT\\Software"),
                     QStringLiteral("HKEY_CLASSES_ROOT\\Software\\odd ] [name] %41"),
                     QStringLiteral("HKEY_CLASSES_ROOT\\Software\\odd ] [name] %41\\deeper")}));
    for (const QString& name : odd)
        for (const QString& value : odd)
            EXPECT_EQ(read.value(RegistryRoot::ClassesRoot, key, name + u'|' + value), value);
    EXPECT_EQ(read.value(RegistryRoot::ClassesRoot, key, QString()), odd[3]);
    EXPECT_EQ(encodeFileName(*read.value(RegistryRoot::ClassesRoot, key, QString())),
              QByteArray("caf\xe9-\xff\xfe.bmp"));
    EXPECT_EQ(read.serialize(), file);
}

TEST(RegistryHive, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    RegistryHive hive;
    hive.seed();
    ASSERT_TRUE(hive.setValue(kUser, QStringLiteral("control panel\\DESKTOP"),
                              QStringLiteral("TileWallPaper"), QStringLiteral("1")));
    ASSERT_TRUE(
        hive.setValue(kUser, kDesktop, QStringLiteral("tilewallpaper"), QStringLiteral("0")));
    EXPECT_EQ(hive.valueNames(kUser, kDesktop), QStringList{QStringLiteral("TileWallPaper")});
    EXPECT_EQ(hive.value(kUser, QStringLiteral("Control Panel\\Desktop\\"),
                         QStringLiteral("TILEWALLPAPER")),
              QStringLiteral("0"));
    EXPECT_FALSE(hive.setValue(kUser, QStringLiteral("Control Panel\\Colors"), QStringLiteral("x"),
                               QStringLiteral("y")));
    EXPECT_FALSE(hive.hasKey(RegistryRoot::ClassesRoot, kDesktop));

    hive.createKey(kUser, QStringLiteral("Control Panel\\desktop\\WindowMetrics\\Sub"));
    EXPECT_TRUE(hive.eraseKey(kUser, QStringLiteral("CONTROL PANEL\\desktop")));
    EXPECT_EQ(hive.keyPaths().filter(QStringLiteral("Control Panel")),
              QStringList{QStringLiteral("HKEY_CURRENT_USER\\Control Panel")});
    EXPECT_FALSE(hive.eraseKey(kUser, kDesktop));
}

TEST(RegistryHive, BrokenFilesReadAsWhatIsWholeInThem) {
    QByteArray garbage;
    QRandomGenerator random(21);
    for (int i = 0; i < 200000; ++i)
        garbage += char(random.bounded(256));
    const QByteArray lines =
        "[HKEY_CURRENT_USER\\Control Panel\\desktop]\n\"Wallpaper\"=\"/a.bmp\"\n"
        "\"Half\"=\"no end\n\"Bad\"=\"\\q\"\n@=\"x\" trailing\n[HKEY_NOWHERE\\x]\n\"y\"=\"z\"\n"
        "[HKEY_CURRENT_USER\\unterminated\n\"TileWallPaper\"=\"1\"\n" +
        QByteArray(1000, '\0') + "\n";
    QByteArray many = "[HKEY_CURRENT_USER\\Many]\n";
    for (int i = 0; i < 100000; ++i)
        many += "\"v" + QByteArray::number(i % 5000) + "\"=\"" + QByteArray::number(i) + "\"\n";

    const RegistryHive fromGarbage = RegistryHive::parse(garbage);
    EXPECT_EQ(RegistryHive::parse(fromGarbage.serialize()).serialize(), fromGarbage.serialize());

    const RegistryHive fromLines = RegistryHive::parse(lines);
    EXPECT_EQ(fromLines.keyPaths(),
              QStringList{QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\desktop")});
    EXPECT_EQ(fromLines.valueNames(kUser, kDesktop), QStringList{QStringLiteral("Wallpaper")});

    const RegistryHive fromMany = RegistryHive::parse(many);
    EXPECT_EQ(fromMany.valueNames(kUser, QStringLiteral("Many")).size(), 5000);
    EXPECT_EQ(fromMany.value(kUser, QStringLiteral("Many"), QStringLiteral("v4999")),
              QStringLiteral("99999"));  // a later line wins
}

class HiveFile : public ::testing::Test {
protected:
    test::ScratchDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("lumora/registry.ini"));
    HiveRegistry registry_{path_};
};

TEST_F(HiveFile, ANewHiveHasTheKeysTheProgramOpensWithoutCreating) {
    EXPECT_TRUE(registry_.keyExists(kUser, kDesktop));
    registry_.writeString(kUser, kDesktop, QStringLiteral("TileWallPaper"), QStringLiteral("1"),
                          KeyAccess::OpenExisting);
    EXPECT_EQ(HiveRegistry(path_).readString(kUser, kDesktop, QStringLiteral("TileWallPaper")),
              QStringLiteral("1"));

    const QByteArray before = bytesOf(path_);
    EXPECT_THROW(
        registry_.writeString(kUser, QStringLiteral("Software\\Lumora"), QStringLiteral("x"),
                              QStringLiteral("y"), KeyAccess::OpenExisting),
        EError);
    EXPECT_EQ(bytesOf(path_), before);

    registry_.writeString(RegistryRoot::ClassesRoot, QStringLiteral(".lss\\shell\\open"), QString(),
                          QStringLiteral("Lumora"), KeyAccess::Create);
    EXPECT_TRUE(registry_.keyExists(RegistryRoot::ClassesRoot, QStringLiteral(".lss\\shell")));
    EXPECT_TRUE(registry_.deleteValue(RegistryRoot::ClassesRoot,
                                      QStringLiteral(".lss\\shell\\open"), QString()));
    EXPECT_FALSE(registry_.deleteValue(RegistryRoot::ClassesRoot,
                                       QStringLiteral(".lss\\shell\\open"), QString()));
    EXPECT_TRUE(registry_.deleteKey(RegistryRoot::ClassesRoot, QStringLiteral(".lss")));
    EXPECT_FALSE(registry_.keyExists(RegistryRoot::ClassesRoot, QStringLiteral(".lss\\shell")));
}

TEST_F(HiveFile, TheSpecialFoldersAreTheXdgFoldersUntilTheUserNamesOthers) {
    const QString documents = dir_.filePath(QStringLiteral("My Documents"));
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(documents));
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    const QString key = QLatin1String(kShellFoldersKey);
    const std::pair<const char*, QString> expected[] = {
        {"Desktop", qEnvironmentVariable("XDG_DESKTOP_DIR")},
        {"Personal", documents},
        {"Templates", QDir::homePath() + QStringLiteral("/Templates")},
        {"Startup", config + QStringLiteral("/autostart")},
        {"Programs", data + QStringLiteral("/applications")},
        {"Start Menu", data + QStringLiteral("/applications")},
        {"Fonts", data + QStringLiteral("/fonts")},
        {"Favorites", data + QStringLiteral("/lumora/Favorites")},
        {"Recent", data + QStringLiteral("/lumora/Recent")},
        {"SendTo", data + QStringLiteral("/lumora/SendTo")},
    };
    for (const auto& [name, folder] : expected)
        EXPECT_EQ(registry_.readString(kUser, key, QLatin1String(name)), folder) << name;

    // A folder the user names stays; one removed comes back from the XDG
    // folders; the file keeps the folders as they were when it was written.
    registry_.writeString(kUser, key, QStringLiteral("Desktop"), QStringLiteral("/srv/desk"),
                          KeyAccess::OpenExisting);
    EXPECT_TRUE(registry_.deleteValue(kUser, key, QStringLiteral("Fonts")));
    qunsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(registry_.readString(kUser, key, QStringLiteral("Desktop")),
              QStringLiteral("/srv/desk"));
    EXPECT_EQ(registry_.readString(kUser, key, QStringLiteral("Fonts")),
              data + QStringLiteral("/fonts"));
    EXPECT_EQ(registry_.readString(kUser, key, QStringLiteral("Personal")), documents);
}

TEST_F(HiveFile, AHiveOfGarbageStillTakesTheWallpaper) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path_).absolutePath()));
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); i += 7)
        garbage[i] = char(i * 31);
    writeBytes(path_, "[HKEY_CURRENT_USER\\Control Panel\\desktop\n" + garbage);
    registry_.writeString(kUser, kDesktop, QStringLiteral("Wallpaper"), QStringLiteral("/a.bmp"),
                          KeyAccess::OpenExisting);
    EXPECT_EQ(HiveRegistry(path_).readString(kUser, kDesktop, QStringLiteral("Wallpaper")),
              QStringLiteral("/a.bmp"));
}

TEST_F(HiveFile, AHiveThatCannotBeReadIsNeverReplaced) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path_).absolutePath()));
    // A pipe named like the hive would block a reader for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(path_).constData(), 0600), 0);
    EXPECT_TRUE(registry_.keyExists(kUser, kDesktop));
    EXPECT_THROW(registry_.writeString(kUser, kDesktop, QStringLiteral("Wallpaper"), QString(),
                                       KeyAccess::OpenExisting),
                 EError);
    ASSERT_TRUE(QFile::remove(path_));

    writeBytes(path_, "[HKEY_CURRENT_USER\\Control Panel\\desktop]\n\"Wallpaper\"=\"/old.bmp\"\n");
    ASSERT_TRUE(QFile::setPermissions(path_, QFileDevice::WriteOwner));
    {
        ReadOnlyFolder dropOverride{QString()};
        EXPECT_THROW(registry_.writeString(kUser, kDesktop, QStringLiteral("TileWallPaper"),
                                           QStringLiteral("1"), KeyAccess::OpenExisting),
                     EError);
    }
    ASSERT_TRUE(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(registry_.readString(kUser, kDesktop, QStringLiteral("Wallpaper")),
              QStringLiteral("/old.bmp"));
}

TEST_F(HiveFile, AReadOnlyConfigFolderFailsTheWriteWithItsReason) {
    const QString folder = QFileInfo(path_).absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    ReadOnlyFolder readOnly(folder);
    try {
        registry_.writeString(kUser, kDesktop, QStringLiteral("Wallpaper"), QStringLiteral("/a"),
                              KeyAccess::OpenExisting);
        ADD_FAILURE() << "the write did not fail";
    } catch (const EError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Unable to write to ") + path_);
    }
    EXPECT_EQ(registry_.readString(kUser, kDesktop, QStringLiteral("Wallpaper")), std::nullopt);
}

TEST(HiveLock, TwoProcessesWritingAtOnceLoseNothing) {
    // In memory where there is one: each write syncs the hive, which on disk
    // takes the time of a thousand seeks and proves nothing more.
    const QString shm = QStringLiteral("/dev/shm");
    test::ScratchDir dir((QDir(shm).exists() ? shm : QDir::tempPath()) +
                         QStringLiteral("/lumora-hive-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("registry.ini"));
    constexpr int kValues = 1000;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            HiveRegistry mine(path);
            try {
                for (int i = 0; i < kValues; ++i)
                    mine.writeString(kUser, QStringLiteral("Writer %1").arg(w),
                                     QStringLiteral("v%1").arg(i), QString::number(i * 7 + w),
                                     KeyAccess::Create);
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
    }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const RegistryHive hive = RegistryHive::parse(bytesOf(path));
    for (int w = 0; w < 2; ++w) {
        const QString key = QStringLiteral("Writer %1").arg(w);
        ASSERT_EQ(hive.valueNames(kUser, key).size(), kValues) << "writer " << w;
        for (int i = 0; i < kValues; ++i)
            ASSERT_EQ(hive.value(kUser, key, QStringLiteral("v%1").arg(i)),
                      QString::number(i * 7 + w));
    }
}

}  // namespace
}  // namespace lumora

#include "platform/shell_namespace.h"
#include "platform/dir_entries.h"
#include "platform/mount_watch.h"
#include "platform/shell_namespace_linux.h"
#include "support/deep_folder.h"
#include "support/fake_dialogs.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

QStringList names(const std::vector<ShellItem>& items) {
    QStringList out;
    for (const ShellItem& item : items)
        out << item.inFolderName;
    return out;
}

TEST(FileNames, InvalidUtf8RoundTripsAndValidTextDecodesAsUsual) {
    const QByteArray samples[] = {
        QByteArray("plain.txt"),
        QByteArray("caf\xc3\xa9 \xf0\x9f\x8e\xb5.wav"),  // valid, with a pair
        QByteArray("caf\xe9.wav"),                       // Latin-1
        QByteArray("\xff\xfe\x80"),                      // stray bytes only
        QByteArray("\xed\xb0\x80"),                      // an encoded surrogate is invalid
        QByteArray("\xc0\xaf"),                          // overlong "/"
        QByteArray("trunc\xe2\x82"),                     // cut-off sequence at the end
        QByteArray("\xef\xbf\xbd"),                      // a real U+FFFD
        QByteArray("\xef\xbb\xbf"
                   "bom.jpg"),  // a name that starts with U+FEFF
        QByteArray("\xe9\xef\xbb\xbf"
                   "x"),  // and one after an escaped byte
    };
    for (const QByteArray& raw : samples) {
        const QString name = decodeFileName(raw);
        EXPECT_EQ(encodeFileName(name), raw) << raw.toHex().constData();
    }
    EXPECT_EQ(decodeFileName(samples[1]), QString::fromUtf8(samples[1]));
    EXPECT_EQ(decodeFileName(QByteArray("caf\xe9")), QStringLiteral("caf") + QChar(0xDCE9));
    // A valid pair whose low half lies in the escape range is not taken for a byte.
    const QString astral = QString::fromUcs4(U"\U00010C80");
    ASSERT_EQ(astral.size(), 2);
    EXPECT_EQ(encodeFileName(astral), astral.toUtf8());
}

class FolderReading : public ::testing::Test {
protected:
    test::ScratchDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(FolderReading, EntriesTellFoldersFromFilesAndFollowLinks) {
    QDir(dir.path()).mkpath(QStringLiteral("sub/inner"));
    QDir(dir.path()).mkpath(QStringLiteral(".hidden"));
    QDir(dir.path()).mkpath(QStringLiteral("empty"));
    QFile(path(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly);
    QFile::link(path(QStringLiteral("sub")), path(QStringLiteral("link-to-sub")));
    QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("broken")));

    const auto entries = readDirectory(dir.path());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 6u);
    auto kindOf = [&](const char* name) {
        for (const DirEntry& e : *entries)
            if (e.name == name)
                return e.kind;
        ADD_FAILURE() << name;
        return EntryKind::Other;
    };
    EXPECT_EQ(kindOf("sub"), EntryKind::Directory);
    EXPECT_EQ(kindOf("link-to-sub"), EntryKind::Directory);
    EXPECT_EQ(kindOf("file.txt"), EntryKind::File);
    EXPECT_EQ(kindOf("broken"), EntryKind::File);

    const auto folders = fileSystemFolders(dir.path());
    ASSERT_TRUE(folders);
    QStringList found = names(*folders);
    found.sort();
    EXPECT_EQ(found, (QStringList{".hidden", "empty", "link-to-sub", "sub"}));
    for (const ShellItem& item : *folders) {
        EXPECT_EQ(item.kind, ShellKind::Folder);
        EXPECT_EQ(item.parsingName, path(item.inFolderName));
        const bool holdsFolder = item.inFolderName == QLatin1String("sub") ||
                                 item.inFolderName == QLatin1String("link-to-sub");
        EXPECT_EQ(item.hasSubfolders, holdsFolder) << item.inFolderName.toStdString();
    }
    EXPECT_FALSE(readDirectory(path(QStringLiteral("missing"))));
    EXPECT_FALSE(readDirectory(path(QStringLiteral("file.txt"))));
}

TEST_F(FolderReading, PathsLongerThanPathMaxAreReadAndEntered) {
    // 40 levels of 120 characters: about 4,900 bytes, past PATH_MAX (4096).
    const test::DeepFolder deepFolder(dir.path(), 'd', 120, 40);
    ASSERT_TRUE(deepFolder.isValid());
    const QString deep = deepFolder.path();
    ASSERT_TRUE(deepFolder.makeFolder("leaf"));
    ASSERT_GT(encodeFileName(deep).size(), 4096);

    const auto folders = fileSystemFolders(deep);
    ASSERT_TRUE(folders);
    EXPECT_EQ(names(*folders), QStringList{QStringLiteral("leaf")});
    EXPECT_TRUE(hasSubfolders(deep));

    const QString before = currentDirectory();
    ASSERT_TRUE(setCurrentDirectory(deep));
    EXPECT_EQ(currentDirectory(), deep);
    ASSERT_TRUE(setCurrentDirectory(before));
}

TEST(MountTable, ParsesEscapesAndSkipsBrokenLines) {
    const QByteArray text =
        "/dev/sda1 / ext4 rw,relatime 0 0\n"
        "garbage\n"
        "/dev/sdb1 /media/me/My\\040Disk vfat rw 0 0\n"
        "server:/x relative nfs rw 0 0\n"
        "//host/share /mnt/back\\134slash cifs rw 0 0\n";
    const auto table = parseMountTable(text);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(table[0].type, QStringLiteral("ext4"));
    EXPECT_EQ(table[1].mountPoint, QStringLiteral("/media/me/My Disk"));
    EXPECT_EQ(table[1].device, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(table[2].mountPoint, QStringLiteral("/mnt/back\\slash"));
}

TEST(MountTable, DrivesAreUserFileSystemsWithRootFirst) {
    const QByteArray text =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "mqueue /dev/mqueue mqueue rw 0 0\n"
        "/dev/sdc1 /srv/data xfs rw 0 0\n"
        "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdb1 /run/media/me/STICK vfat rw 0 0\n"
        "//nas/music /mnt/music cifs rw 0 0\n"
        "nas:/export /mnt/nfs nfs4 rw 0 0\n"
        "me@host:/ /mnt/ssh fuse.sshfs rw 0 0\n"
        "/dev/sdd1 /home ext4 rw 0 0\n";  // mounted over the first /home
    const MountLists lists = classifyMounts(parseMountTable(text));
    QStringList drives, devices, shares;
    for (const MountEntry& e : lists.drives) {
        drives << e.mountPoint;
        devices << e.device;
    }
    for (const MountEntry& e : lists.shares)
        shares << e.mountPoint;
    EXPECT_EQ(drives, (QStringList{"/", "/home", "/run/media/me/STICK", "/srv/data", "/tmp"}));
    EXPECT_EQ(devices[1], QStringLiteral("/dev/sdd1"));
    EXPECT_EQ(shares, (QStringList{"/mnt/music", "/mnt/nfs", "/mnt/ssh"}));

    // A container's root is an overlay: it is still the first drive.
    const MountLists container = classifyMounts(parseMountTable("overlay / overlay rw 0 0\n"));
    ASSERT_EQ(container.drives.size(), 1u);
    EXPECT_EQ(container.drives[0].mountPoint, QStringLiteral("/"));
}

TEST(MountTable, MountPointPrefixesMatchWholeComponents) {
    EXPECT_TRUE(pathIsUnder(QStringLiteral("/home/a"), QStringLiteral("/home")));
    EXPECT_TRUE(pathIsUnder(QStringLiteral("/home"), QStringLiteral("/home")));
    EXPECT_FALSE(pathIsUnder(QStringLiteral("/homework"), QStringLiteral("/home")));
    EXPECT_TRUE(pathIsUnder(QStringLiteral("/anything"), QStringLiteral("/")));
    EXPECT_FALSE(pathIsUnder(QStringLiteral("/a"), QString()));
}

TEST(LinuxNamespace, DesktopTrashNetworkAndComputer) {
    LinuxShellNamespace shell;
    const ShellItem desktop = shell.desktop();
    EXPECT_EQ(desktop.displayName, QStringLiteral("Desktop"));
    EXPECT_EQ(desktop.parsingName, test::testHome() + QStringLiteral("/Desktop"));
    EXPECT_EQ(shell.recycleBin().displayName, QStringLiteral("Trash"));
    EXPECT_TRUE(shell.recycleBin().parsingName.isEmpty());
    EXPECT_EQ(shell.network().displayName, QStringLiteral("Network"));
    EXPECT_TRUE(shell.network().parsingName.isEmpty());
    EXPECT_EQ(shell.computer().displayName, QStringLiteral("Computer"));
    EXPECT_TRUE(shell.computer().parsingName.isEmpty());

    const auto top = shell.folders(desktop);
    ASSERT_TRUE(top);
    ASSERT_EQ(top->size(), 3u);
    EXPECT_EQ((*top)[0].kind, ShellKind::RecycleBin);
    EXPECT_EQ((*top)[2].kind, ShellKind::Computer);

    const auto drives = shell.folders(shell.computer());
    ASSERT_TRUE(drives);
    ASSERT_FALSE(drives->empty());
    EXPECT_EQ(drives->front().parsingName, QStringLiteral("/"));
    EXPECT_EQ(shell.mediumStamp(drives->front()), 1);
    for (const ShellItem& drive : *drives) {
        EXPECT_EQ(drive.kind, ShellKind::Drive);
        for (const char* pseudo : {"/proc", "/sys", "/dev", "/run"})
            EXPECT_FALSE(pathIsUnder(drive.parsingName, QLatin1String(pseudo)))
                << drive.parsingName.toStdString();
    }
    // A drive's folders are the folders of its mount point.
    const auto rootFolders = shell.folders(drives->front());
    ASSERT_TRUE(rootFolders);
    EXPECT_TRUE(names(*rootFolders).contains(QStringLiteral("tmp")));
    EXPECT_FALSE(shell.drive(QStringLiteral("/no/such/mount")));
    ShellItem gone = drives->front();
    gone.parsingName = QStringLiteral("/no/such/mount");
    gone.removable = true;
    EXPECT_EQ(shell.mediumStamp(gone), -1);
}

// Mounting needs a mount namespace of our own (root or CAP_SYS_ADMIN); the
// bind mount is private to this test process.
TEST(LinuxNamespace, MountTableChangesAreReportedAndNewDrivesListed) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here";
    test::ScratchDir dir;
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString target = dir.filePath(QStringLiteral("target"));
    QDir().mkpath(source + QStringLiteral("/inside"));
    QDir().mkpath(target);

    LinuxShellNamespace shell;
    QSignalSpy spy(&shell, &ShellNamespace::devicesChanged);
    ASSERT_EQ(::mount(QFile::encodeName(source).constData(), QFile::encodeName(target).constData(),
                      nullptr, MS_BIND, nullptr),
              0);
    EXPECT_TRUE(spy.wait(2000));
    const auto drives = shell.folders(shell.computer());
    ASSERT_TRUE(drives);
    const auto found = std::find_if(drives->begin(), drives->end(),
                                    [&](const ShellItem& d) { return d.parsingName == target; });
    ASSERT_NE(found, drives->end());
    EXPECT_EQ(names(*shell.folders(*found)), QStringList{QStringLiteral("inside")});

    spy.clear();
    ASSERT_EQ(::umount(QFile::encodeName(target).constData()), 0);
    EXPECT_TRUE(spy.wait(2000));
    EXPECT_FALSE(shell.drive(target));
}

}  // namespace
}  // namespace lumora

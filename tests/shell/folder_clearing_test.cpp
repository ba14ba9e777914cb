#include "shell/folder_clearing.h"
#include "shell/file_copy_fixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace lumora {
namespace {

using test::readBytes;
using test::writeBytes;

bool makeLink(const QString& target, const QString& link) {
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) ==
           0;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

TEST(FolderClearing, OnlyRegularFilesAndLinksThatStayedTheSameGo) {
    test::ScratchDir outside;
    const QString precious = outside.filePath(QStringLiteral("precious.txt"));
    ASSERT_TRUE(writeBytes(precious, "keep"));
    test::ScratchDir dir;
    QDir folder(dir.path());
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("a.lnk")), "a"));
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("b.txt")), "b"));
    ASSERT_TRUE(folder.mkpath(QStringLiteral("sub")));
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("sub/c.lnk")), "c"));
    ASSERT_TRUE(makeLink(precious, dir.filePath(QStringLiteral("d.lnk"))));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("f.lnk")));
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("e.lnk")), "e"));

    // Every name is handed over, folders and names with a separator too.
    FolderClearing clearing;
    ASSERT_TRUE(clearing.start(
        dir.path(), {QStringLiteral("a.lnk"), QStringLiteral("d.lnk"), QStringLiteral("e.lnk"),
                     QStringLiteral("f.lnk"), QStringLiteral("sub/c.lnk"), QStringLiteral(".."),
                     QStringLiteral("gone.lnk")}));
    EXPECT_TRUE(clearing.running());
    EXPECT_EQ(clearing.count(), 7);
    // e.lnk becomes another file after the click: it is not the one listed.
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("x")), "new e"));
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath(QStringLiteral("x"))).constData(),
                       QFile::encodeName(dir.filePath(QStringLiteral("e.lnk"))).constData()),
              0);

    // One name a step when the step has no time to spare.
    EXPECT_TRUE(clearing.step(std::chrono::nanoseconds(0)));
    EXPECT_EQ(clearing.position(), 1);
    while (clearing.step(std::chrono::milliseconds(8))) {
    }
    EXPECT_FALSE(clearing.running());
    EXPECT_EQ(clearing.position(), 7);
    EXPECT_EQ(clearing.removed(), 2);
    EXPECT_EQ(entries(dir.path()), QStringList({QStringLiteral("b.txt"), QStringLiteral("e.lnk"),
                                                QStringLiteral("f.lnk"), QStringLiteral("sub")}));
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("e.lnk"))), QByteArray("new e"));
    EXPECT_EQ(readBytes(precious), QByteArray("keep"));
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("sub/c.lnk"))), QByteArray("c"));

    // A folder reached through a link is not entered; stopping removes no more.
    ASSERT_TRUE(makeLink(dir.path(), outside.filePath(QStringLiteral("linked"))));
    EXPECT_FALSE(
        clearing.start(outside.filePath(QStringLiteral("linked")), {QStringLiteral("b.txt")}));
    ASSERT_TRUE(clearing.start(dir.path(), {QStringLiteral("b.txt")}));
    clearing.stop();
    EXPECT_FALSE(clearing.step(std::chrono::milliseconds(8)));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("b.txt"))));
}

TEST(FolderClearing, TheUsersFoldersAreRefusedHoweverTheyAreNamed) {
    const QString home = QDir::homePath();
    test::ScratchDir dir;
    ASSERT_TRUE(makeLink(home, dir.filePath(QStringLiteral("home-link"))));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QString& folder :
         {QStringLiteral("/"), home, home + u'/',
          home + QStringLiteral("/../") + QDir(home).dirName(),
          dir.filePath(QStringLiteral("home-link")), data,
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          qEnvironmentVariable("XDG_DESKTOP_DIR"), QStringLiteral("/usr/share")})
        EXPECT_TRUE(protectedFolder(folder)) << folder.toStdString();
    EXPECT_FALSE(protectedFolder(dir.path()));
    EXPECT_FALSE(protectedFolder(data + QStringLiteral("/lumora/Recent")));
}

TEST(FolderClearing, TheStoredDefaultMeansTheProgramsOwnFolder) {
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QStringLiteral("/lumora/Cookies");
    QDir(own).removeRecursively();
    const ClearableFolder cookies =
        clearableFolder(QStringLiteral("C:\\Windows\\cookies"),
                        QStringLiteral("c:\\windows\\Cookies"), QStringLiteral("Cookies"));
    EXPECT_EQ(cookies.path, own);
    EXPECT_TRUE(cookies.own);
    EXPECT_TRUE(QFileInfo(own).isDir());

    test::ScratchDir dir;
    const QString file = dir.filePath(QStringLiteral("file"));
    ASSERT_TRUE(writeBytes(file, "x"));
    for (const QString& setting : {QStringLiteral("relative/folder"),
                                   dir.filePath(QStringLiteral("missing")), file, QString()})
        EXPECT_TRUE(clearableFolder(setting, QStringLiteral("c:\\windows\\recent"),
                                    QStringLiteral("Recent"))
                        .path.isEmpty())
            << setting.toStdString();
    const ClearableFolder chosen = clearableFolder(
        dir.path(), QStringLiteral("c:\\windows\\recent"), QStringLiteral("Recent"));
    EXPECT_EQ(chosen.path, dir.path());
    EXPECT_FALSE(chosen.own);
}

}  // namespace
}  // namespace lumora

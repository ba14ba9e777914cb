#include "platform/launch.h"
#include "base/file_name.h"
#include "support/fake_launcher.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::FakeLauncher;
using test::LauncherScope;
using test::ScratchDir;

void writeFile(const QString& path, const QByteArray& bytes, mode_t mode) {
    const QByteArray name = encodeFileName(path);
    FILE* file = std::fopen(name.constData(), "wb");
    ASSERT_NE(file, nullptr) << name.constData();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fclose(file);
    ASSERT_EQ(::chmod(name.constData(), mode), 0);
}

std::string readWhenWritten(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    while (clock.elapsed() < 10000) {
        // The script renames its finished record into place.
        if (file.open(QIODevice::ReadOnly))
            return file.readAll().toStdString();
        QThread::msleep(20);
    }
    return {};
}

TEST(Launch, ProgramsAreExecutableFilesThatLinuxStartsItself) {
    ScratchDir dir;
    QFile::copy(QStringLiteral("/bin/true"), dir.filePath(QStringLiteral("elf")));
    ::chmod(encodeFileName(dir.filePath(QStringLiteral("elf"))).constData(), 0755);
    writeFile(dir.filePath(QStringLiteral("script")), "#!/bin/sh\nexit 0\n", 0755);
    writeFile(dir.filePath(QStringLiteral("not executable")), "#!/bin/sh\n", 0644);
    writeFile(dir.filePath(QStringLiteral("text.exe")), "just text with the bit\n", 0755);
    writeFile(dir.filePath(QStringLiteral("short")), "#", 0755);
    ::symlink("elf", encodeFileName(dir.filePath(QStringLiteral("link"))).constData());
    ::mkfifo(encodeFileName(dir.filePath(QStringLiteral("pipe"))).constData(), 0755);
    ::mkdir(encodeFileName(dir.filePath(QStringLiteral("folder"))).constData(), 0755);

    EXPECT_TRUE(isProgramFile(dir.filePath(QStringLiteral("elf"))));
    EXPECT_TRUE(isProgramFile(dir.filePath(QStringLiteral("script"))));
    EXPECT_TRUE(isProgramFile(dir.filePath(QStringLiteral("link"))));
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("not executable"))));
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("text.exe"))));
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("short"))));
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("pipe"))));  // and does not hang
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("folder"))));
    EXPECT_FALSE(isProgramFile(dir.filePath(QStringLiteral("gone"))));
}

TEST(Launch, NamesAreMadeAbsoluteAgainstTheFolderAndPassedWhole) {
    ScratchDir dir;
    const QString odd = decodeFileName(QByteArray("-odd \"$x\" 100% \\ \xe9"));
    const QString folder = dir.filePath(odd);
    ASSERT_EQ(::mkdir(encodeFileName(folder).constData(), 0755), 0);
    const QString longName = QString(120, u'n') + QStringLiteral(".txt");
    writeFile(folder + u'/' + longName, "text", 0644);
    writeFile(folder + QStringLiteral("/tool"), "#!/bin/sh\n", 0755);

    FakeLauncher launcher;
    LauncherScope scope(launcher);
    LaunchFile(longName, {}, folder, 5);
    LaunchFile(QStringLiteral("tool"), QStringLiteral("-a 'b c' \"d\""), folder, 5);
    LaunchFile(folder, {}, QStringLiteral("/"), 5);  // a folder opens, never starts

    ASSERT_EQ(launcher.opened.size(), 2);
    EXPECT_EQ(launcher.opened[0], folder + u'/' + longName);
    EXPECT_EQ(launcher.openedIn[0], folder);
    EXPECT_EQ(launcher.opened[1], folder);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].program, folder + QStringLiteral("/tool"));
    EXPECT_EQ(launcher.started[0].arguments,
              QStringList({QStringLiteral("-a"), QStringLiteral("b c"), QStringLiteral("d")}));
    EXPECT_EQ(launcher.started[0].workingDirectory, folder);
}

// The real launcher: the child gets the exact bytes of names no shell quoting
// survives, starts in the folder, and we do not wait for it.
TEST(Launch, ChildrenGetTheExactBytesInTheirFolder) {
    ScratchDir dir;
    const QString odd = decodeFileName(QByteArray("-a b'\"$HOME`%1\\ \xff"));
    const QString folder = dir.filePath(odd);
    ASSERT_EQ(::mkdir(encodeFileName(folder).constData(), 0755), 0);
    const QByteArray record = encodeFileName(dir.filePath(QStringLiteral("record")));
    const QByteArray recorder =
        "#!/bin/sh\n{ pwd; for a in \"$0\" \"$@\"; do printf '%s|' \"$a\"; "
        "done; } > '" +
        record + ".part' && mv '" + record + ".part' '" + record + "'\n";
    writeFile(folder + QStringLiteral("/prog ") + odd, recorder, 0755);

    LaunchFile(QStringLiteral("prog ") + odd, QStringLiteral("x 'y z'"), folder, 5);
    EXPECT_EQ(readWhenWritten(QString::fromUtf8(record)),
              (encodeFileName(folder) + "\n" + encodeFileName(folder) + "/prog " +
               encodeFileName(odd) + "|x|y z|")
                  .toStdString());

    // Documents go to xdg-open, here a recorder of our own first in PATH.
    ::unlink(record.constData());
    const QString bin = dir.filePath(QStringLiteral("bin"));
    ::mkdir(encodeFileName(bin).constData(), 0755);
    writeFile(bin + QStringLiteral("/xdg-open"), recorder, 0755);
    writeFile(folder + QStringLiteral("/doc ") + odd, "text", 0755);  // bit set, not a program
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", encodeFileName(bin) + ':' + path);
    const std::string opened = (encodeFileName(folder) + "\n" + encodeFileName(bin) + "/xdg-open|" +
                                encodeFileName(folder) + "/doc " + encodeFileName(odd) + "|")
                                   .toStdString();
    LaunchFile(QStringLiteral("doc ") + odd, {}, folder, 5);
    EXPECT_EQ(readWhenWritten(QString::fromUtf8(record)), opened);
    // The same bytes when a caller waits for the opener's verdict.
    ::unlink(record.constData());
    launch().openDocument(folder + QStringLiteral("/doc ") + odd, folder,
                          [](const QString& why) { ADD_FAILURE() << why.toStdString(); });
    EXPECT_EQ(readWhenWritten(QString::fromUtf8(record)), opened);
    qputenv("PATH", path);

    EXPECT_FALSE(launch().startProgram(QStringLiteral("lumora-no-such-program"), {}, {}));
    EXPECT_FALSE(
        launch().startProgram(bin + QStringLiteral("/xdg-open"), {}, dir.filePath("gone")));
}

}  // namespace
}  // namespace lumora

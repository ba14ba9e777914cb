#include "shell/shell_link.h"
#include "shell/file_copy_fixtures.h"
#include "shell/lnk_fixtures.h"
#include "support/fake_registry.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::copyLnkFixture;
using test::lnkinfo;
using test::readBytes;
using test::writeBytes;

constexpr const char* kFixtures[] = {"ms_shllink_example.lnk", "windows_1252.lnk",
                                     "environment.lnk", "unknown_blocks.lnk", "relative_only.lnk"};

QString readError() {
    return QString::fromUtf8(TPBShellLink::kReadError);
}
QString writeError() {
    return QString::fromUtf8(TPBShellLink::kWriteError);
}

// The message of the EPBShellLink that run throws; empty when it throws none.
template <class Run>
QString failure(Run run) {
    try {
        run();
    } catch (const EPBShellLink& error) {
        return error.message();
    }
    return {};
}

uint32_t u32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<uint32_t>(bytes.constData() + at);
}

class ShellLinkTest : public ::testing::Test {
protected:
    QString fixture(const char* name) { return copyLnkFixture(name, dir_.path()); }
    // The fixture read by a new component.
    void readFixture(const char* name) {
        link_.setFileName(fixture(name));
        link_.Read();
    }

    test::ScratchDir dir_;
    TPBShellLink link_;
};

TEST_F(ShellLinkTest, EachFixtureReadsItsTargetStringsShowCommandAndHotKey) {
    struct Expected {
        const char* file;
        QString target, description, workingDir, arguments, icon;
        int iconIndex;
        TWindowState state;
        uint32_t showCommand;
        uint16_t hotKey;
        QKeyCombination key;
    };
    const Expected expected[] = {
        // [MS-SHLLINK]'s worked example, section 3.1.
        {"ms_shllink_example.lnk",
         QStringLiteral("C:\\test\\a.txt"),
         {},
         QStringLiteral("C:\\test"),
         {},
         {},
         0,
         TWindowState::wsNormal,
         1,
         0,
         QKeyCombination()},
        // 8-bit strings are Windows-1252 whatever the locale.
        {"windows_1252.lnk", QStringLiteral("C:\\Données\\résumé €.txt"),
         QStringLiteral("Café œuvre €5"), QStringLiteral("C:\\Données"), QStringLiteral("/f «x»"),
         QStringLiteral("C:\\Windows\\système.dll"), 2, TWindowState::wsMinimized, 7, 0x0641,
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A)},
        // Without a link info the environment block names the target.
        {"environment.lnk",
         QStringLiteral("%USERPROFILE%\\notes ✓.txt"),
         QStringLiteral("Notes in the profile"),
         {},
         {},
         QStringLiteral("%SystemRoot%\\notepad.exe"),
         0,
         TWindowState::wsMinimized,
         2,
         0x03FF,
         QKeyCombination()},
        // The Unicode local path wins over the 8-bit one that lost the omega.
        {"unknown_blocks.lnk",
         QStringLiteral("C:\\Program Files\\Ω.exe"),
         QStringLiteral("Omega ☺"),
         QStringLiteral("C:\\Program Files"),
         {},
         {},
         0,
         TWindowState::wsMaximized,
         3,
         0x0270,
         QKeyCombination(Qt::ControlModifier, Qt::Key_F1)},
        // Only a relative path: taken from the shortcut's own folder.
        {"relative_only.lnk",
         QDir::cleanPath(dir_.path() + QStringLiteral("/../docs/a.txt")),
         {},
         {},
         {},
         {},
         0,
         TWindowState::wsNormal,
         1,
         0,
         QKeyCombination()},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.file);
        TPBShellLink link;
        link.setFileName(fixture(e.file));
        link.Read();
        EXPECT_EQ(link.Target, e.target);
        EXPECT_EQ(link.Description, e.description);
        EXPECT_EQ(link.WorkingDir, e.workingDir);
        EXPECT_EQ(link.Arguments, e.arguments);
        EXPECT_EQ(link.FileIcon.FileName, e.icon);
        EXPECT_EQ(link.FileIcon.IconIndex, e.iconIndex);
        EXPECT_EQ(link.WindowState(), e.state);
        EXPECT_EQ(link.ShowCommand(), e.showCommand);
        EXPECT_EQ(link.HotKeyWord(), e.hotKey);
        EXPECT_EQ(link.HotKey(), e.key);
    }
}

TEST_F(ShellLinkTest, RewrittenUnchangedEveryFixtureKeepsItsBytes) {
    for (const char* name : kFixtures) {
        SCOPED_TRACE(name);
        const QByteArray original = readBytes(test::lnkFixture(name));
        TPBShellLink link;
        link.setFileName(fixture(name));
        link.Read();
        // As the window writes: every field set back to what it shows.
        link.setWindowState(link.WindowState());
        link.setHotKey(link.HotKey());
        link.Write();
        EXPECT_EQ(readBytes(link.FileName()), original);
    }
}

TEST_F(ShellLinkTest, AChangeKeepsWhatLocatesTheTargetAndWhatTheWindowCannotShow) {
    for (const char* name : kFixtures) {
        SCOPED_TRACE(name);
        const auto before = ShellLinkFile::parse(readBytes(test::lnkFixture(name)));
        ASSERT_TRUE(before);
        TPBShellLink link;
        link.setFileName(fixture(name));
        link.Read();
        link.Description = QStringLiteral("changed ✓");
        link.setWindowState(link.WindowState());
        link.setHotKey(link.HotKey());
        link.Write();
        const auto after = ShellLinkFile::parse(readBytes(link.FileName()));
        ASSERT_TRUE(after);
        EXPECT_EQ(after->idList, before->idList);
        EXPECT_EQ(after->linkInfo, before->linkInfo);
        EXPECT_EQ(after->extraBlocks, before->extraBlocks);
        EXPECT_EQ(after->relativePath, before->relativePath);
        EXPECT_EQ(after->times, before->times);
        EXPECT_EQ(after->showCommand, before->showCommand);
        EXPECT_EQ(after->hotKey, before->hotKey);
        EXPECT_TRUE(after->linkFlags & link_flags::IsUnicode);
        EXPECT_EQ(after->name, QStringLiteral("changed ✓"));
        EXPECT_EQ(after->workingDir, before->workingDir);  // the 8-bit text, now in Unicode

        TPBShellLink again;
        again.setFileName(link.FileName());
        again.Read();
        EXPECT_EQ(again.Target, link.Target);
    }

    // The show command and hot key the window has no entry for change only
    // when the window shows another value.
    readFixture("environment.lnk");
    link_.setWindowState(TWindowState::wsMaximized);
    link_.setHotKey(QKeyCombination(Qt::ControlModifier, Qt::Key_B));
    link_.Write();
    const QByteArray written = readBytes(link_.FileName());
    EXPECT_EQ(u32(written, 60), 3u);
    EXPECT_EQ(qFromLittleEndian<uint16_t>(written.constData() + 64), 0x0242);
}

TEST_F(ShellLinkTest, ANewTargetReplacesWhatLocatedTheOldOne) {
    const QString target = dir_.filePath(QStringLiteral("new target é.txt"));
    ASSERT_TRUE(writeBytes(target, QByteArray(1234, 'x')));

    readFixture("environment.lnk");
    link_.Target = target;
    link_.Write();
    auto written = ShellLinkFile::parse(readBytes(link_.FileName()));
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->idList.isEmpty());
    EXPECT_FALSE(written->linkFlags & link_flags::HasExpString);
    EXPECT_TRUE(written->extraBlock(link_blocks::EnvironmentVariable).isEmpty());
    // The icon did not change: its block stays.
    EXPECT_FALSE(written->extraBlock(link_blocks::IconEnvironment).isEmpty());
    EXPECT_EQ(written->fileSize, 1234u);
    const auto info = lnkinfo(link_.FileName());
    EXPECT_EQ(info.value(QStringLiteral("Local path")), target);
    EXPECT_EQ(info.value(QStringLiteral("Description")), QStringLiteral("Notes in the profile"));

    readFixture("unknown_blocks.lnk");
    const auto before = ShellLinkFile::parse(readBytes(link_.FileName()));
    link_.Target = QStringLiteral("/opt/elsewhere");
    link_.FileIcon.FileName = QStringLiteral("/opt/icons.exe");
    link_.Write();
    written = ShellLinkFile::parse(readBytes(link_.FileName()));
    ASSERT_TRUE(written && before);
    EXPECT_TRUE(written->idList.isEmpty());
    EXPECT_FALSE(written->relativePath);
    EXPECT_EQ(written->extraBlocks, before->extraBlocks);  // none of them located the target
    EXPECT_EQ(written->localPathUnicode(), QStringLiteral("/opt/elsewhere"));
    EXPECT_EQ(written->localPathAnsi(), QStringLiteral("/opt/elsewhere"));
    EXPECT_EQ(lnkinfo(link_.FileName()).value(QStringLiteral("Icon location")),
              QStringLiteral("/opt/icons.exe"));
}

TEST_F(ShellLinkTest, LnkinfoReadsBackANewShortcutFieldForField) {
    const QString target = dir_.filePath(QStringLiteral("café Ω.txt"));
    link_.setFileName(dir_.filePath(QStringLiteral("new")));
    EXPECT_EQ(link_.FileName(), dir_.filePath(QStringLiteral("new.lnk")));
    link_.Target = target;
    link_.Description = QStringLiteral("A note « ✓ »");
    link_.WorkingDir = dir_.path();
    link_.Arguments = QStringLiteral("--open \"two words\"");
    link_.FileIcon = {QStringLiteral("/usr/share/icons/x.ico"), 5};
    link_.setWindowState(TWindowState::wsMinimized);
    link_.setHotKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F5));
    link_.Write();

    const auto info = lnkinfo(link_.FileName());
    ASSERT_FALSE(info.isEmpty());
    EXPECT_EQ(info.value(QStringLiteral("Local path")), target);
    EXPECT_EQ(info.value(QStringLiteral("Description")), link_.Description);
    EXPECT_EQ(info.value(QStringLiteral("Working directory")), link_.WorkingDir);
    EXPECT_EQ(info.value(QStringLiteral("Command line arguments")), link_.Arguments);
    EXPECT_EQ(info.value(QStringLiteral("Icon location")), link_.FileIcon.FileName);
    EXPECT_EQ(info.value(QStringLiteral("Icon index")), QStringLiteral("5"));
    // lnkinfo 20181227 prints the header's file size as these two: the bytes tell.
    const QByteArray bytes = readBytes(link_.FileName());
    EXPECT_EQ(u32(bytes, 60), 7u);
    EXPECT_EQ(qFromLittleEndian<uint16_t>(bytes.constData() + 64), 0x0374);
    // The 8-bit copy of the path has "?" for what Windows-1252 lacks.
    EXPECT_TRUE(bytes.contains(QFile::encodeName(dir_.path()) + "/caf\xe9 ?.txt"));
}

TEST_F(ShellLinkTest, HostileFilesFailAtOnceAndLeaveTheFields) {
    readFixture("windows_1252.lnk");
    const QString description = link_.Description;
    const QByteArray example = readBytes(test::lnkFixture("ms_shllink_example.lnk"));
    const qsizetype info = 0x4C + 2 + 0xBD;  // the example's link info
    const auto patched = [&](qsizetype at, QByteArray bytes) {
        QByteArray copy = example;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    const auto le32 = [](uint32_t value) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    };
    const QByteArray hostile[] = {
        example.left(75),                                    // shorter than a header
        example.left(0x130),                                 // ends inside the link info
        patched(0, le32(0x4D)),                              // another header size
        patched(4, QByteArray::fromHex("02")),               // another class
        patched(0x4C, QByteArray::fromHex("ffff")),          // ID list past the file
        patched(0x4E, QByteArray::fromHex("c000")),          // an item past its list
        patched(0x4C, QByteArray::fromHex("0200")),          // a list without its terminal
        patched(info, le32(0xFFFFFFFF)),                     // link info past the file
        patched(info + 16, le32(4)),                         // local path offset into the header
        patched(info + 16, le32(0x1000)),                    // local path offset past the info
        patched(info + 12, le32(0x3C)),                      // volume at the info's very end
        patched(info + 0x2D, QByteArray(0x3C - 0x2D, 'x')),  // a path with no end
        patched(info + 0x3C, QByteArray::fromHex("ffff")),   // a string count past the file
        patched(0x167, le32(0xFFFFFFFF)),                    // an extra block of 2^32-1 bytes
        patched(0x167, le32(5)),                             // a block too small for its signature
    };
    const QString path = dir_.filePath(QStringLiteral("hostile.lnk"));
    for (size_t i = 0; i < std::size(hostile); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(writeBytes(path, hostile[i]));
        EXPECT_FALSE(ShellLinkFile::parse(hostile[i]));
        link_.setFileName(path);
        EXPECT_EQ(failure([&] { link_.Read(); }), readError());
        EXPECT_EQ(link_.Description, description);
    }

    // A file of 2 GB is refused by its size, a pipe named x.lnk without waiting for a writer.
    const QString huge = dir_.filePath(QStringLiteral("huge.lnk"));
    ASSERT_TRUE(writeBytes(huge, example));
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), qint64(1) << 31), 0);
    const QString pipe = dir_.filePath(QStringLiteral("x.lnk"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    QElapsedTimer clock;
    clock.start();
    for (const QString& each : {huge, pipe}) {
        link_.setFileName(each);
        EXPECT_EQ(failure([&] { link_.Read(); }), readError());
    }
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(link_.Description, description);

    // Nothing there, or a folder of that name: not found.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("f.lnk")));
    for (const char* name : {"missing.lnk", "f.lnk"}) {
        link_.setFileName(dir_.filePath(QLatin1String(name)));
        EXPECT_EQ(failure([&] { link_.Read(); }), QString::fromUtf8(TPBShellLink::kNotFound));
    }
}

TEST_F(ShellLinkTest, WritesReplaceTheFileWholeOrNotAtAll) {
    // 65,535 characters fit a string's count, one more does not: nothing is written.
    link_.setFileName(dir_.filePath(QStringLiteral("long.lnk")));
    link_.Arguments = QString(65535, u'é');
    link_.Write();
    TPBShellLink back;
    back.setFileName(link_.FileName());
    back.Read();
    EXPECT_EQ(back.Arguments, link_.Arguments);
    const QByteArray kept = readBytes(link_.FileName());
    link_.Description = QString(65536, u'x');
    EXPECT_EQ(failure([&] { link_.Write(); }), writeError());
    EXPECT_EQ(readBytes(link_.FileName()), kept);
    link_.setFileName(dir_.filePath(QStringLiteral("never.lnk")));
    EXPECT_EQ(failure([&] { link_.Write(); }), writeError());
    EXPECT_FALSE(QFile::exists(link_.FileName()));

    // A symbolic link in the shortcut's place is replaced, its target left alone.
    const QString outside = dir_.filePath(QStringLiteral("outside.txt"));
    ASSERT_TRUE(writeBytes(outside, "keep me"));
    const QString linked = dir_.filePath(QStringLiteral("linked.lnk"));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(linked).constData()),
        0);
    TPBShellLink fresh;
    fresh.setFileName(linked);
    fresh.Target = outside;
    fresh.Write();
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(linked).constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(readBytes(outside), QByteArray("keep me"));
    // Written beside it under another name and renamed: nothing else is left.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::System, QDir::Name),
              QStringList({QStringLiteral("linked.lnk"), QStringLiteral("long.lnk"),
                           QStringLiteral("outside.txt")}));
}

TEST_F(ShellLinkTest, FileNameFollowsItsThreeRulesAndTheSpecialFolders) {
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("a"), QStringLiteral("a.lnk")},
        {QStringLiteral("a.LNK"), QStringLiteral("a.LNK")},
        {QStringLiteral("b.txt"), QStringLiteral("b.txt.lnk")},
        {QStringLiteral(".lnk"), QString()},
        {QStringLiteral("/d/.LNK"), QString()},
        {QString(), QString()},
    };
    for (const auto& [value, expected] : names) {
        link_.setFileName(value);
        EXPECT_EQ(link_.FileName(), expected) << value.toStdString();
    }

    test::FakeRegistry registry;
    test::RegistryScope scope(registry);
    const QString desktop = *registry.readString(
        RegistryRoot::CurrentUser, QLatin1String(kShellFoldersKey), QStringLiteral("Desktop"));
    link_.setShellFolder(sfDesktop);
    link_.setFileName(QStringLiteral("x"));
    EXPECT_EQ(link_.FileName(), desktop + QStringLiteral("/x.lnk"));
    link_.setFileName(QStringLiteral("/elsewhere/y.lnk"));
    EXPECT_EQ(link_.FileName(), desktop + QStringLiteral("/y.lnk"));
    link_.setShellFolder(sfRecent);
    EXPECT_EQ(link_.FileName(), shellFolderPath(sfRecent) + QStringLiteral("/y.lnk"));

    // A folder whose value is gone or empty leaves the name where it is.
    registry.deleteValue(RegistryRoot::CurrentUser, QLatin1String(kShellFoldersKey),
                         QStringLiteral("Personal"));
    link_.setShellFolder(sfPersonal);
    EXPECT_EQ(link_.FileName(), shellFolderPath(sfRecent) + QStringLiteral("/y.lnk"));
    link_.setFileName(QStringLiteral("z"));
    EXPECT_EQ(link_.FileName(), QStringLiteral("z.lnk"));
}

TEST(ShellLinkHotKey, TheVirtualKeyTableAgreesBothWays) {
    int shown = 0;
    for (int flags : {0, 1, 2, 4, 7, 8}) {
        for (int vk = 0; vk < 256; ++vk) {
            const auto word = uint16_t(flags << 8 | vk);
            const QKeyCombination key = hotKeyFromWord(word);
            if (key == QKeyCombination())
                continue;
            ++shown;
            EXPECT_EQ(hotKeyWord(key), word) << std::hex << word;
        }
    }
    EXPECT_EQ(shown,
              5 * 107);  // letters, digits, F1-F24, the number pad and 37 more; not with flag 8
    // A shifted character a key box may record names its key with shift.
    EXPECT_EQ(hotKeyWord(QKeyCombination(Qt::ControlModifier, Qt::Key_Exclam)), 0x0331);
    EXPECT_EQ(hotKeyWord(QKeyCombination(Qt::Key_Launch0)), 0);
}

TEST(Windows1252, EveryByteComesBackAndWhatItLacksBecomesAQuestionMark) {
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    EXPECT_EQ(toWindows1252(fromWindows1252(all)), all);
    EXPECT_EQ(fromWindows1252("\x80\x9c\xe9"), QStringLiteral("€œé"));
    EXPECT_EQ(toWindows1252(QStringLiteral("Ω😀€")), QByteArray("??\x80"));
}

}  // namespace
}  // namespace lumora

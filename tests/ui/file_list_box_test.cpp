#include "ui/file_list_box.h"
#include "platform/dir_entries.h"
#include "support/deep_folder.h"
#include "support/scratch_dir.h"
#include "ui/file_mask.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumora {
namespace {

const QString kSupported = QStringLiteral(
    "*.BMP;*.ICO;*.WMF;*.EMF;*.WAV;*.MID;*.AVI;*.JPG;*.JIF;*.EXE;*.DLL;*.ICL;*.CUR;*.ANI;*.MPG;"
    "*.MPA;*.MPEG;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG");

class FileListTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    QString previous = currentDirectory();

    ~FileListTest() override { setCurrentDirectory(previous); }

    void touch(const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    void folder(const QString& name) { ASSERT_TRUE(QDir(dir.path()).mkpath(name)); }

    static QStringList items(const TFileListBox& list) {
        QStringList out;
        for (int i = 0; i < list.Count(); ++i)
            out << list.Item(i);
        return out;
    }
};

TEST(FileMask, WildcardsAndCase) {
    EXPECT_TRUE(wildcardMatch(u"*.wav", u"a.wav"));
    EXPECT_FALSE(wildcardMatch(u"*.wav", u"a.wav.bak"));
    EXPECT_TRUE(wildcardMatch(u"a?c*", u"abcdef"));
    EXPECT_FALSE(wildcardMatch(u"a?c*", u"ac"));
    EXPECT_TRUE(wildcardMatch(u"*a*b*c", u"xxaxbxxbxc"));
    EXPECT_FALSE(wildcardMatch(u"*a*b*c", u"xxaxbxxbx"));
    EXPECT_TRUE(wildcardMatch(u"*", u""));

    const FileMask mask(QStringLiteral("*.JPG; pic?.*;*.WAV"));
    EXPECT_EQ(mask.patternCount(), 3);
    EXPECT_EQ(mask.match(QStringLiteral("Photo.JpG").toCaseFolded()), 0);
    EXPECT_EQ(mask.match(QStringLiteral("pic1.png").toCaseFolded()), 1);
    EXPECT_EQ(mask.match(QStringLiteral("PIC2").toCaseFolded()),
              1);  // "x.*" takes no extension too
    EXPECT_EQ(mask.match(QStringLiteral("song.wav").toCaseFolded()), 2);
    EXPECT_EQ(mask.match(QStringLiteral("song.wave").toCaseFolded()), -1);
    // "*.*" is everything, names without a dot included.
    EXPECT_EQ(FileMask(QStringLiteral("*.*")).match(QStringLiteral("readme")), 0);
    EXPECT_EQ(FileMask(QString()).match(QStringLiteral("readme")), -1);

    // ASCII names are matched as bytes when a folder is listed: the same answers.
    for (const char* text : {"*.JPG; pic?.*;*.WAV", "*.*", "*\u00e9*;*.TXT", "a*B?c", "README"}) {
        const FileMask each(QString::fromUtf8(text));
        for (const char* name : {"Photo.JpG", "pic1.png", "PIC2", "song.wave", "readme", "aXbYc",
                                 "x.txt", "abc"}) {
            const QString folded = QString::fromLatin1(name).toCaseFolded();
            EXPECT_EQ(each.matchAscii(folded.toLatin1().toStdString()), each.match(folded))
                << text << " " << name;
        }
    }
}

TEST_F(FileListTest, PatternsInTurnFoldersFirstSortedWithoutCase) {
    for (const char* name : {"b.jpg", "A.JPG", "z.wav", "C.Wav", "a.wav", "notes.txt", "x.wav.txt"})
        touch(QString::fromLatin1(name));
    folder(QStringLiteral("sub"));
    folder(QStringLiteral("Alpha.jpg"));  // a folder is listed as a folder whatever its name

    TFileListBox list;
    list.setMask(QStringLiteral("*.WAV;*.JPG"));
    list.setDirectory(dir.path());
    EXPECT_EQ(items(list), (QStringList{"[..]", "[Alpha.jpg]", "[sub]", "a.wav", "C.Wav", "z.wav",
                                        "A.JPG", "b.jpg"}));

    // "Only Wavs": .wav in any case plus the subdirectories.
    list.setMask(QStringLiteral("*.WAV"));
    EXPECT_EQ(items(list),
              (QStringList{"[..]", "[Alpha.jpg]", "[sub]", "a.wav", "C.Wav", "z.wav"}));

    list.setMask(QStringLiteral("*.*"));
    EXPECT_EQ(list.Count(), 3 + 7);

    // A file two patterns match is listed once, at the first.
    list.setMask(QStringLiteral("*.jpg;a*"));
    EXPECT_EQ(items(list),
              (QStringList{"[..]", "[Alpha.jpg]", "[sub]", "A.JPG", "b.jpg", "a.wav"}));
}

TEST_F(FileListTest, SameMaskDoesNotReReadButUpdateDoes) {
    touch(QStringLiteral("one.wav"));
    TFileListBox list;
    list.setDirectory(dir.path());
    list.setMask(kSupported);
    ASSERT_EQ(items(list), (QStringList{"[..]", "one.wav"}));

    touch(QStringLiteral("two.wav"));
    list.setMask(kSupported);
    list.setDirectory(dir.path());
    EXPECT_EQ(list.Count(), 2) << "re-read without need";
    list.Update();
    EXPECT_EQ(items(list), (QStringList{"[..]", "one.wav", "two.wav"}));
}

// Windows made at start-up set their lists up before anyone sees them: a
// hidden list reads its folder once, when it is shown or asked.
TEST_F(FileListTest, AHiddenListReadsOnceWhenShown) {
    touch(QStringLiteral("one.wav"));
    TFileListBox list;
    int reads = 0;
    QObject::connect(list.model(), &QAbstractItemModel::modelReset, [&] { ++reads; });
    list.setDirectory(dir.path());
    list.setMask(QStringLiteral("*.JPG"));
    list.setMask(kSupported);
    list.Update();
    EXPECT_EQ(reads, 0);
    list.show();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(items(list), (QStringList{"[..]", "one.wav"}));
    // Shown, every change reads at once.
    touch(QStringLiteral("two.wav"));
    list.Update();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(list.model()->rowCount(), 3);
}

TEST_F(FileListTest, FileTypeSetDecidesWhatQualifies) {
    touch(QStringLiteral("plain.txt"));
    touch(QStringLiteral(".secret"));
    folder(QStringLiteral("dir"));
    folder(QStringLiteral(".git"));
    TFileListBox list;
    list.setDirectory(dir.path());
    ASSERT_EQ(list.FileType(), unsigned(TFileListBox::ftAll));
    EXPECT_EQ(items(list), (QStringList{"[..]", "[.git]", "[dir]", ".secret", "plain.txt"}));

    list.setFileType(0);
    EXPECT_EQ(list.Count(), 0);
    list.setFileType(TFileListBox::ftAll & ~TFileListBox::ftHidden);
    EXPECT_EQ(items(list), (QStringList{"[..]", "[dir]", "plain.txt"}));
    list.setFileType(TFileListBox::ftDirectory);
    EXPECT_EQ(items(list), (QStringList{"[..]", "[dir]"}));
    list.setFileType(TFileListBox::ftNormal);
    EXPECT_EQ(items(list), (QStringList{"plain.txt"}));
}

TEST_F(FileListTest, SelectionNamesAndCurrentDirectory) {
    touch(QStringLiteral("pic.bmp"));
    folder(QStringLiteral("inner"));
    TFileListBox list;
    QSignalSpy clicks(&list, &TFileListBox::Click);
    list.setDirectory(dir.path());
    EXPECT_EQ(currentDirectory(), dir.path());
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_TRUE(list.FileName().isEmpty());

    ASSERT_TRUE(list.selectItem(QStringLiteral("pic.bmp")));
    EXPECT_EQ(list.FileName(), dir.filePath(QStringLiteral("pic.bmp")));
    list.setItemIndex(list.ItemIndex() - 1);
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("[inner]"));
    EXPECT_TRUE(list.FileName().isEmpty()) << "a folder entry has no file name";
    list.setItemIndex(-1);
    EXPECT_TRUE(list.FileName().isEmpty());
    // Selecting from code is no click: a walk over the list previews nothing.
    EXPECT_EQ(clicks.count(), 0);

    // Relative paths are taken from the listed folder; the root has no "[..]".
    list.setDirectory(QStringLiteral("inner"));
    EXPECT_EQ(list.Directory(), dir.filePath(QStringLiteral("inner")));
    EXPECT_EQ(currentDirectory(), list.Directory());
    list.setDirectory(QStringLiteral("/"));
    EXPECT_EQ(list.FileType(), unsigned(TFileListBox::ftAll));
    EXPECT_GT(list.Count(), 0);
    EXPECT_NE(list.Item(0), QStringLiteral("[..]"));
    EXPECT_EQ(currentDirectory(), QStringLiteral("/"));
}

TEST_F(FileListTest, FolderThatCannotBeListedGivesAnEmptyList) {
    touch(QStringLiteral("a.wav"));
    folder(QStringLiteral("gone"));
    TFileListBox list;
    list.setDirectory(dir.filePath(QStringLiteral("gone")));
    ASSERT_EQ(list.Count(), 1);  // "[..]"
    QDir(dir.filePath(QStringLiteral("gone"))).removeRecursively();
    list.Update();
    EXPECT_EQ(list.Count(), 0);
    list.setDirectory(dir.filePath(QStringLiteral("a.wav")));  // not a folder
    EXPECT_EQ(list.Count(), 0);
}

// Root reads any folder: for the guard's life this thread gives up the
// capabilities that override permission bits.
class NoPermissionOverride {
public:
    NoPermissionOverride() {
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~NoPermissionOverride() {
        if (dropped_)
            syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool dropped_ = false;
};

TEST_F(FileListTest, FolderWithoutReadPermissionGivesAnEmptyList) {
    TFileListBox list;
    folder(QStringLiteral("closed"));
    touch(QStringLiteral("closed/x.wav"));
    ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("closed"))).constData(), 0);
    {
        NoPermissionOverride guard;
        list.setDirectory(dir.filePath(QStringLiteral("closed")));
        EXPECT_EQ(list.Count(), 0);
    }
    list.Update();
    EXPECT_EQ(list.Count(), 2) << "the same folder lists once it may be read";
    ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("closed"))).constData(), 0755);
}

TEST_F(FileListTest, NamesThatAreNotUtf8StayUsable) {
    const QByteArray folderBytes = QFile::encodeName(dir.path());
    const QByteArray raw = folderBytes + "/caf\xe9-\xff.wav";
    std::FILE* file = std::fopen(raw.constData(), "wb");
    ASSERT_TRUE(file);
    std::fputs("RIFF", file);
    std::fclose(file);
    ASSERT_EQ(::mkdir((folderBytes + "/d\xe9j\xe0").constData(), 0755), 0);

    TFileListBox list;
    list.setMask(QStringLiteral("*.wav"));
    list.setDirectory(dir.path());
    ASSERT_EQ(list.Count(), 3);
    list.setItemIndex(2);
    const QString name = list.FileName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_EQ(encodeFileName(name), raw);
    std::FILE* again = std::fopen(encodeFileName(name).constData(), "rb");
    ASSERT_TRUE(again);
    char head[5] = {};
    EXPECT_EQ(std::fread(head, 1, 4, again), 4u);
    std::fclose(again);
    EXPECT_STREQ(head, "RIFF");

    // The odd folder can be entered and listed too.
    const QString inner = list.Item(1).mid(1).chopped(1);
    list.setDirectory(inner);
    EXPECT_EQ(encodeFileName(currentDirectory()), folderBytes + "/d\xe9j\xe0");
    EXPECT_EQ(items(list), QStringList{QStringLiteral("[..]")});
    setCurrentDirectory(previous);
}

TEST_F(FileListTest, EveryClickAndEveryKeyMoveIsReported) {
    touch(QStringLiteral("a.bmp"));
    touch(QStringLiteral("b.bmp"));
    TFileListBox list;
    list.setDirectory(dir.path());
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &TFileListBox::Click);
    const auto centre = [&](int row) {
        return list.visualRect(list.model()->index(row, 0)).center();
    };

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("a.bmp"));
    EXPECT_EQ(clicks.count(), 1);
    // The entry already selected, clicked again, is reported again.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(clicks.count(), 2);
    // The right button neither selects nor reports.
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, centre(2));
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("a.bmp"));
    EXPECT_EQ(clicks.count(), 2);
    // Below the last entry nothing is picked.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 190));
    EXPECT_EQ(clicks.count(), 2);

    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("b.bmp"));
    EXPECT_EQ(clicks.count(), 3);
    // At the end a key that moves nothing reports nothing.
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(FileListTest, FolderPastPathMaxIsListedAndEntered) {
    const test::DeepFolder deepFolder(dir.path(), 'p', 150, 30);
    ASSERT_TRUE(deepFolder.isValid());
    const QString deep = deepFolder.path();
    ASSERT_TRUE(deepFolder.makeFile("deep.jpg"));

    TFileListBox list;
    list.setDirectory(deep);
    EXPECT_EQ(items(list), (QStringList{"[..]", "deep.jpg"}));
    EXPECT_EQ(currentDirectory(), deep);
    list.setItemIndex(1);
    EXPECT_EQ(list.FileName(), deep + QStringLiteral("/deep.jpg"));
    setCurrentDirectory(previous);
}

}  // namespace
}  // namespace lumora

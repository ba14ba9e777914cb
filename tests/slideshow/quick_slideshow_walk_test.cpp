#include "slideshow/quick_slideshow_walk.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace lumora {
namespace {

using Clock = QuickSlideshowWalk::Clock;

class QuickWalkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // An entry for a file made in the folder.
    FileListEntry file(const char* name) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return {QString::fromLatin1(name), false};
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Walks to the end, one entry a step, and records the cursor before each.
    QStringList walk(std::vector<FileListEntry> entries, std::vector<int>* cursors = nullptr) {
        QuickSlideshowWalk walk(
            dir.path(), std::make_shared<const std::vector<FileListEntry>>(std::move(entries)));
        QStringList slides;
        while (!walk.finished()) {
            if (cursors)
                cursors->push_back(walk.cursor());
            walk.examine(slides, Clock::now() - std::chrono::seconds(1));
        }
        if (cursors)
            cursors->push_back(walk.cursor());
        return slides;
    }

    test::ScratchDir dir;
};

TEST_F(QuickWalkTest, EveryEntryIsExaminedOnceInListOrder) {
    std::vector<int> cursors;
    EXPECT_EQ(walk({file("a.bmp"), file("b.txt"), file("c.jpeg")}, &cursors),
              QStringList({path("a.bmp"), path("c.jpeg")}));
    // One entry a step; the cursor ends on the last entry, examined too.
    EXPECT_EQ(cursors, std::vector<int>({0, 1, 2, 2}));
}

TEST_F(QuickWalkTest, TheLastEntryCountsWhateverComesBeforeIt) {
    const FileListEntry picture = file("p.jpg"), text = file("t.txt"), last = file("z.pcx");
    EXPECT_EQ(walk({picture, text}), QStringList({path("p.jpg")}));
    EXPECT_EQ(walk({text, last}), QStringList({path("z.pcx")}));
    EXPECT_EQ(walk({last}), QStringList({path("z.pcx")}));
    EXPECT_TRUE(walk({text}).isEmpty());
    std::vector<int> cursors;
    EXPECT_TRUE(walk({}, &cursors).isEmpty());
    EXPECT_EQ(cursors, std::vector<int>({-1}));
}

TEST_F(QuickWalkTest, OnlyTheNineExtensionsInAnyCase) {
    std::vector<FileListEntry> entries;
    QStringList wanted;
    for (const char* name :
         {"1.BMP", "2.Jpg", "3.wmf", "4.JPEG", "5.jif", "6.dib", "7.rle", "8.tga", "9.Pcx"}) {
        entries.push_back(file(name));
        wanted << path(name);
    }
    for (const char* name : {"a.gif", "b.ico", "c.emf", "d.png", "e.jpgx", "f", "g.jpg.txt"})
        entries.push_back(file(name));
    EXPECT_EQ(walk(entries), wanted);
}

TEST_F(QuickWalkTest, OnlyRegularFilesBecomeSlides) {
    const FileListEntry before = file("a.jpg");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("trip.jpg")));
    const FileListEntry listedFolder{QStringLiteral("trip.jpg"), true};
    // A folder that took a file's place after the list was read.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("swap.jpg")));
    const FileListEntry swapped{QStringLiteral("swap.jpg"), false};
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe.bmp")).constData(), 0600), 0);
    const FileListEntry gone{QStringLiteral("gone.bmp"), false};
    // A link to a picture is followed.
    ASSERT_TRUE(QFile::link(path("a.jpg"), path("link.bmp")));
    EXPECT_EQ(walk({before,
                    listedFolder,
                    swapped,
                    {QStringLiteral("pipe.bmp"), false},
                    gone,
                    {QStringLiteral("link.bmp"), false}}),
              QStringList({path("a.jpg"), path("link.bmp")}));
}

TEST_F(QuickWalkTest, ASliceExaminesUntilItsDeadline) {
    QuickSlideshowWalk walk(dir.path(), std::make_shared<const std::vector<FileListEntry>>(
                                            500, FileListEntry{QStringLiteral("x.txt"), false}));
    QStringList slides;
    walk.examine(slides, Clock::now() + std::chrono::seconds(60));
    EXPECT_TRUE(walk.finished());
    EXPECT_EQ(walk.cursor(), 499);
    EXPECT_EQ(walk.text(499), QStringLiteral("x.txt"));
    // A finished walk examines nothing more.
    walk.examine(slides, Clock::now() - std::chrono::seconds(1));
    EXPECT_TRUE(slides.isEmpty());
}

}  // namespace
}  // namespace lumora

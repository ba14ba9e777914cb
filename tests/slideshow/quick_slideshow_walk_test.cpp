#include "slideshow/quick_slideshow_walk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace lumora {
namespace {

using Entry = QuickSlideshowWalk::Entry;
using Clock = QuickSlideshowWalk::Clock;

class QuickWalkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // An entry for a file made in the folder (the list shows only its name).
    Entry file(const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return {QString::fromLatin1(name), path};
    }
    Entry folder(const char* name) {
        EXPECT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(name)));
        return {QStringLiteral("[%1]").arg(QLatin1String(name)), QString()};
    }

    // Walks to the end, one entry a step, and records the cursor before each.
    static QStringList walk(std::vector<Entry> entries, std::vector<int>* cursors = nullptr) {
        QuickSlideshowWalk walk(std::move(entries));
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

    QTemporaryDir dir;
};

TEST_F(QuickWalkTest, EveryEntryIsExaminedOnceInListOrder) {
    const Entry a = file("a.bmp"), b = file("b.txt"), c = file("c.jpeg");
    std::vector<int> cursors;
    EXPECT_EQ(walk({a, b, c}, &cursors), QStringList({a.path, c.path}));
    // One entry a step; the cursor ends on the last entry, examined too.
    EXPECT_EQ(cursors, std::vector<int>({0, 1, 2, 2}));
}

TEST_F(QuickWalkTest, TheLastEntryCountsWhateverComesBeforeIt) {
    const Entry picture = file("p.jpg"), text = file("t.txt"), last = file("z.pcx");
    EXPECT_EQ(walk({picture, text}), QStringList({picture.path}));
    EXPECT_EQ(walk({text, last}), QStringList({last.path}));
    EXPECT_EQ(walk({last}), QStringList({last.path}));
    EXPECT_TRUE(walk({text}).isEmpty());
    std::vector<int> cursors;
    EXPECT_TRUE(walk({}, &cursors).isEmpty());
    EXPECT_EQ(cursors, std::vector<int>({-1}));
}

TEST_F(QuickWalkTest, OnlyTheNineExtensionsInAnyCase) {
    std::vector<Entry> entries;
    QStringList wanted;
    for (const char* name :
         {"1.BMP", "2.Jpg", "3.wmf", "4.JPEG", "5.jif", "6.dib", "7.rle", "8.tga", "9.Pcx"}) {
        entries.push_back(file(name));
        wanted << entries.back().path;
    }
    for (const char* name : {"a.gif", "b.ico", "c.emf", "d.png", "e.jpgx", "f", "g.jpg.txt"})
        entries.push_back(file(name));
    EXPECT_EQ(walk(entries), wanted);
}

TEST_F(QuickWalkTest, OnlyRegularFilesBecomeSlides) {
    const Entry before = file("a.jpg");
    const Entry listedFolder = folder("trip.jpg");
    // A folder that took a file's place after the list was read.
    const Entry swapped = {QStringLiteral("swap.jpg"), dir.filePath(QStringLiteral("swap.jpg"))};
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("swap.jpg")));
    const QString pipe = dir.filePath(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Entry gone = {QStringLiteral("gone.bmp"), dir.filePath(QStringLiteral("gone.bmp"))};
    // A link to a picture is followed.
    const QString link = dir.filePath(QStringLiteral("link.bmp"));
    ASSERT_TRUE(QFile::link(before.path, link));
    EXPECT_EQ(walk({before,
                    listedFolder,
                    swapped,
                    {QStringLiteral("pipe.bmp"), pipe},
                    gone,
                    {QStringLiteral("link.bmp"), link}}),
              QStringList({before.path, link}));
}

TEST_F(QuickWalkTest, ASliceExaminesUntilItsDeadline) {
    std::vector<Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({QStringLiteral("%1.txt").arg(i), QStringLiteral("/nowhere/x.txt")});
    QuickSlideshowWalk walk(entries);
    QStringList slides;
    walk.examine(slides, Clock::now() + std::chrono::seconds(60));
    EXPECT_TRUE(walk.finished());
    EXPECT_EQ(walk.cursor(), 499);
    // A finished walk examines nothing more.
    walk.examine(slides, Clock::now() - std::chrono::seconds(1));
    EXPECT_TRUE(slides.isEmpty());
}

}  // namespace
}  // namespace lumora

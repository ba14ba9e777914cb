// The icon grid and the single-icon loader on a real library of three icons.

#include "shell/icon_list_box.h"
#include "shell/file_index_icon.h"
#include "support/icon_fixtures.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QProcess>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <sys/stat.h>

namespace lumora {
namespace {

using namespace test;

QColor centre(const QImage& icon) {
    return icon.pixelColor(icon.width() / 2, icon.height() / 2);
}

class IconListBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        QString script;
        for (const char* colour : {"red", "lime", "blue"}) {
            const QString ico = dir->filePath(QStringLiteral("%1.ico").arg(colour));
            ASSERT_TRUE(magickIcon({QStringLiteral("-size"), QStringLiteral("32x32"),
                                    QStringLiteral("xc:%1").arg(colour), ico}));
            script += QStringLiteral("%1 ICON \"%2\"\n").arg(script.count(u'\n') + 1).arg(ico);
        }
        ASSERT_TRUE(makeIconLibrary(library(), script, PeFormat::Pe32Plus));
        ASSERT_TRUE(writeBytes(dir->filePath(QStringLiteral("notes.exe")), "no program"));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static QString library() { return dir->filePath(QStringLiteral("three.dll")); }

    static ScratchDir* dir;
};

ScratchDir* IconListBoxTest::dir = nullptr;

TEST_F(IconListBoxTest, ListsEachIconNamedByItsNumberExtractedWhenFirstDrawn) {
    TIconListBox box;
    box.setXIcons(3);
    box.setYIcons(2);
    QSignalSpy changed(&box, &TIconListBox::OnFileChanged);
    box.setFileName(library());
    EXPECT_EQ(box.NumberOfIcons(), 3);
    EXPECT_EQ(box.ItemIndex(), 0);
    EXPECT_EQ(changed.count(), 1);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&box);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->childCount(), 3);
    EXPECT_EQ(list->child(2)->text(QAccessible::Name), QStringLiteral("2"));

    // With caching, nothing is extracted before the cells are drawn.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(box.HasIcon(i));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.grab();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(box.HasIcon(i));
    EXPECT_EQ(centre(box.Icon(2)), QColor(Qt::blue));
    // Items flow down YIcons rows, then into the next column.
    const QRect second = box.visualRect(box.model()->index(2, 0));
    EXPECT_EQ(second.top(), 0);
    EXPECT_GE(second.left(), box.cellSize().width());

    // The same name again reads nothing; without caching all come at once.
    box.setFileName(library());
    EXPECT_EQ(changed.count(), 1);
    TIconListBox eager;
    eager.setEnableCaching(false);
    eager.setFileName(library());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(eager.HasIcon(i));
    EXPECT_EQ(centre(eager.Icon(1)), QColor(Qt::green));
}

TEST_F(IconListBoxTest, FilesWithoutIconsMissingFilesAndClearing) {
    TIconListBox box;
    box.setAutoDisable(true);
    box.setFileName(dir->filePath(QStringLiteral("notes.exe")));
    EXPECT_EQ(box.NumberOfIcons(), 0);
    EXPECT_EQ(box.ItemIndex(), -1);
    EXPECT_TRUE(box.isEnabled());

    box.setFileName(dir->filePath(QStringLiteral("missing.exe")));
    EXPECT_EQ(box.NumberOfIcons(), -1);
    EXPECT_FALSE(box.isEnabled());
    box.setAutoDisable(false);
    EXPECT_TRUE(box.isEnabled());

    // A pipe named like a program is listed empty at once, never read.
    const QString pipe = dir->filePath(QStringLiteral("pipe.exe"));
    ASSERT_EQ(::mkfifo(qPrintable(pipe), 0600), 0);
    box.setFileName(pipe);
    EXPECT_EQ(box.NumberOfIcons(), 0);

    box.setFileName(library());
    box.setFileName(QString());
    EXPECT_EQ(box.NumberOfIcons(), -1);
    EXPECT_EQ(box.model()->rowCount(), 0);
}

TEST_F(IconListBoxTest, SizeFollowsIconsAcrossAndDown) {
    TIconListBox box;
    box.setXIcons(5);
    box.setYIcons(3);
    const QSize cell = box.cellSize();
    const int bar = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
    EXPECT_EQ(box.size(), QSize(cell.width() * 5 + 2, cell.height() * 3 + bar + 1));
    box.setXIcons(0);
    box.setYIcons(-1);
    EXPECT_EQ(box.XIcons(), 5);
    EXPECT_EQ(box.YIcons(), 3);
    EXPECT_EQ(box.size(), QSize(cell.width() * 5 + 2, cell.height() * 3 + bar + 1));
}

// lumora-icons prints what the grid counts and writes what its cells show;
// it passes over what it cannot read, so it runs over whole folders.
TEST_F(IconListBoxTest, TheCommandWritesTheImagesTheCellsShow) {
    const auto run = [](const QStringList& arguments, QByteArray* out) {
        QProcess tool;
        tool.start(QStringLiteral(LUMORA_ICONS_TOOL), arguments);
        EXPECT_TRUE(tool.waitForFinished(60000));
        *out = tool.readAllStandardOutput();
        return tool.exitCode();
    };
    TIconListBox box;
    box.setFileName(library());
    QByteArray out;
    const QString folder = dir->filePath(QStringLiteral("cells"));
    ASSERT_EQ(run({library(), folder}, &out), 0);
    EXPECT_EQ(out, QByteArray("3\n"));
    for (int i = 0; i < 3; ++i) {
        const QImage written(QStringLiteral("%1/%2.png").arg(folder).arg(i));
        EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32_Premultiplied), box.Icon(i)) << i;
    }

    EXPECT_EQ(run({dir->filePath(QStringLiteral("notes.exe"))}, &out), 0);
    EXPECT_EQ(out, QByteArray("0\n"));
    EXPECT_EQ(run({dir->path()}, &out), 0);
    EXPECT_EQ(out, QByteArray("-1\n"));
    EXPECT_EQ(run({}, &out), 2);
}

TEST_F(IconListBoxTest, AnIconNumberIsClampedToTheFile) {
    TFileIndexIcon icon;
    icon.setFileName(library());
    EXPECT_EQ(icon.Count(), 3);
    EXPECT_EQ(icon.Index(), 0);
    EXPECT_EQ(centre(icon.Image()), QColor(Qt::red));
    icon.setIndex(7);
    EXPECT_EQ(icon.Index(), 2);
    EXPECT_EQ(centre(icon.Image()), QColor(Qt::blue));
    icon.setIndex(-4);
    EXPECT_EQ(icon.Index(), 0);
    EXPECT_EQ(centre(icon.Image()), QColor(Qt::red));

    icon.setFileName(dir->filePath(QStringLiteral("notes.exe")));
    EXPECT_EQ(icon.Count(), -1);
    EXPECT_EQ(icon.Index(), -1);
    icon.setIndex(2);
    EXPECT_EQ(icon.Index(), -1);
    EXPECT_TRUE(icon.Image().isNull());
}

}  // namespace
}  // namespace lumora

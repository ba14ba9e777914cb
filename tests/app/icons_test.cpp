// Icons in the main window: the grid in the preview, saving the picked icon,
// and the Info window.

#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "shell/file_info_window.h"
#include "shell/icon_list_box.h"
#include "support/fake_dialogs.h"
#include "support/icon_fixtures.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace lumora {
namespace {

using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

QColor centre(const QImage& icon) {
    return icon.pixelColor(icon.width() / 2, icon.height() / 2);
}

class IconsWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        makeLibrary("three.dll", {"red", "lime", "blue"});
        makeLibrary("other.dll", {"yellow", "cyan"});
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().directorylistbox1->setDirectory(dir.path());
        main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    void makeLibrary(const char* name, const QStringList& colours) {
        QString script;
        for (int i = 0; i < colours.size(); ++i) {
            const QString ico = dir.filePath(colours[i] + QStringLiteral(".ico"));
            ASSERT_TRUE(test::magickIcon({QStringLiteral("-size"), QStringLiteral("32x32"),
                                          QStringLiteral("xc:") + colours[i], ico}));
            script += QStringLiteral("%1 ICON \"%2\"\n").arg(i + 1).arg(ico);
        }
        ASSERT_TRUE(
            test::makeIconLibrary(dir.filePath(QLatin1String(name)), script, test::PeFormat::Pe32));
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    void select(const char* entry) {
        main().FileListBox1->Update();
        ASSERT_TRUE(main().FileListBox1->selectItem(QLatin1String(entry))) << entry;
        main().FileListBox1Click();
        main().Timer1Timer();
    }
    // Clicks (or double-clicks) the cell of icon number as a user does.
    void clickIcon(int number, bool twice = false) {
        TIconListBox& grid = *main().IconListBox1;
        const QPoint at = grid.visualRect(grid.model()->index(number, 0)).center();
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
        main().Timer1Timer();
    }

    test::ScratchDir dir;
};

TEST_F(IconsWindowTest, ThePickedIconOfALibrarySavesAsAnIconFile) {
    select("three.dll");
    EXPECT_TRUE(main().IconListBox1->isVisible());
    EXPECT_EQ(main().IconListBox1->NumberOfIcons(), 3);
    EXPECT_TRUE(main().Edit2->text().isEmpty());
    EXPECT_FALSE(main().ExtractIcon1->isEnabled());

    clickIcon(2);
    EXPECT_EQ(main().Edit2->text(), QStringLiteral("2"));
    EXPECT_EQ(centre(main().Image1->pixmap().toImage()), QColor(Qt::blue));
    ASSERT_TRUE(main().ExtractIcon1->isEnabled());

    test::FakeDialogs& dialogs = test::fakeDialogs();
    dialogs.fileAnswers.push_back(path("saved"));
    main().ExtractIcon1->trigger();
    EXPECT_EQ(main().Edit3->text(), QStringLiteral("2 - extracted.ico"));
    ASSERT_FALSE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.fileRequests.back().fileName, QStringLiteral("2 - extracted.ico"));
    EXPECT_EQ(dialogs.fileRequests.back().filter, QStringLiteral("icons [*.ico]|*.ico"));
    QByteArray listing;
    ASSERT_TRUE(test::runTool(QStringLiteral("icotool"), {QStringLiteral("-l"), path("saved.ico")},
                              &listing));
    EXPECT_EQ(listing.trimmed(), QByteArray("--icon --index=1 --width=32 --height=32 "
                                            "--bit-depth=32 --palette-size=0"));
    EXPECT_EQ(centre(test::icotoolImage(path("saved.ico"), 32, dir.path())), QColor(Qt::blue));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Extract icon from three.dll,"));

    // Cancel saves and records nothing; a double-click proposes its own number.
    const qsizetype entries = historyActions().size();
    clickIcon(0, true);
    EXPECT_EQ(dialogs.fileRequests.back().fileName, QStringLiteral("0 - extracted.ico"));
    EXPECT_EQ(historyActions().size(), entries);
}

// The picked icon belongs to its file: another file or Close File drops it,
// so nothing is ever saved under the wrong name.
TEST_F(IconsWindowTest, ANewFileOrCloseFileDropsThePickedIcon) {
    select("three.dll");
    clickIcon(1);
    ASSERT_FALSE(main().Edit2->text().isEmpty());
    select("other.dll");
    EXPECT_EQ(main().IconListBox1->NumberOfIcons(), 2);
    EXPECT_TRUE(main().Edit2->text().isEmpty());
    EXPECT_TRUE(main().Image1->pixmap().isNull());
    EXPECT_FALSE(main().ExtractIcon1->isEnabled());
    const size_t requests = test::fakeDialogs().fileRequests.size();
    main().IconListBox1DblClick();
    EXPECT_EQ(test::fakeDialogs().fileRequests.size(), requests);

    clickIcon(1);
    main().closeimage->click();
    EXPECT_EQ(main().IconListBox1->NumberOfIcons(), -1);
    EXPECT_TRUE(main().Edit2->text().isEmpty());
    EXPECT_TRUE(main().Image1->pixmap().isNull());
    main().reload->click();
    EXPECT_EQ(main().IconListBox1->NumberOfIcons(), 2);
}

TEST_F(IconsWindowTest, SavingAsksBeforeReplacingAFile) {
    ASSERT_TRUE(test::writeBytes(path("keep.ico"), "old"));
    select("three.dll");
    clickIcon(0);
    test::FakeDialogs& dialogs = test::fakeDialogs();
    dialogs.fileAnswers.push_back(path("keep"));
    dialogs.messageAnswers.push_back(MsgResult::No);
    main().ExtractIcon1->trigger();
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().buttons, MsgButtons::YesNo);
    EXPECT_EQ(test::fileBytes(path("keep.ico")), QByteArray("old"));
    EXPECT_NE(historyActions().last(), QStringLiteral("Extract icon from three.dll,"));

    dialogs.fileAnswers.push_back(path("keep.ico"));
    dialogs.messageAnswers.push_back(MsgResult::Yes);
    main().ExtractIcon1->trigger();
    EXPECT_EQ(centre(test::icotoolImage(path("keep.ico"), 32, dir.path())), QColor(Qt::red));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Extract icon from three.dll,"));
    // Written beside and renamed over: no half-written file stays.
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("keep*")}, QDir::Files),
              QStringList{QStringLiteral("keep.ico")});
}

TEST_F(IconsWindowTest, InfoShowsTheFilesIconTypeFolderAndSize) {
    select("other.dll");
    TForm16& info = *forms().Form16;
    const qsizetype start = historyActions().size();
    test::ModalAnswer answer([&](QWidget* window) {
        ASSERT_EQ(window, &info);
        EXPECT_EQ(info.Label1->text(), QStringLiteral("other.dll"));
        EXPECT_EQ(info.Label5->text(), QStringLiteral(".dll"));
        EXPECT_EQ(info.Edit1->text(), dir.path());
        EXPECT_EQ(info.Label7->text(),
                  QString::number(QFileInfo(path("other.dll")).size()) + QStringLiteral(" bytes"));
        EXPECT_EQ(info.Edit2->text(), QStringLiteral("0"));
        EXPECT_EQ(centre(info.Image1->pixmap().toImage()), QColor(Qt::yellow));
        info.Button1->click();
    });
    main().Info2->trigger();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(historyActions().mid(start),
              QStringList({QStringLiteral("Launched info for other.dll,"),
                           QStringLiteral("Info Pressed,"), QStringLiteral("Close Info Window,")}));

    // A file gone since it was selected: no size, no icon, the window still opens.
    ASSERT_TRUE(test::writeBytes(path("gone.exe"), "x"));
    select("gone.exe");
    ASSERT_TRUE(QFile::remove(path("gone.exe")));
    test::ModalAnswer gone([&](QWidget*) {
        EXPECT_EQ(info.Label7->text(), QStringLiteral("Error while getting filesize"));
        EXPECT_TRUE(info.Image1->pixmap().isNull());
        EXPECT_EQ(info.Edit2->text(), QStringLiteral("-1"));
    });
    main().Info1->trigger();
    EXPECT_TRUE(gone.wasShown());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Info Pressed,"));
}

}  // namespace
}  // namespace lumora

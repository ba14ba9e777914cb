// The main window's ways to stored slideshows: Open and Play, Organize >
// Slideshow, and a slideshow file named on the command line.

#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "slideshow/favorite_slideshows_window.h"
#include "slideshow/open_slideshow_dialog.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"
#include "ui/picture_view.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::ModalAnswer;

TForm1& main() {
    return *forms().Form1;
}

// Runs command and says which window it showed modally (nullptr: none).
QWidget* modalShownBy(const std::function<void()>& command) {
    QWidget* shown = nullptr;
    {
        ModalAnswer answer([&](QWidget* window) { shown = window; });
        command();
    }
    QTest::qWait(10);  // an answer that found no window goes
    return shown;
}

// Ctrl and the key, typed while the main window is the active one.
void pressOnMainWindow(Qt::Key key) {
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    QTest::keyClick(main().windowHandle(), key, Qt::ControlModifier);
}

class SlideshowCommandsTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        forms().Form9->DirectoryListBox1->setDirectory(folder.path());
    }

    test::ScratchDir folder;
};

TEST_F(SlideshowCommandsTest, OpenAndPlayAndOrganizeShowTheirWindowsFromMenuToolbarAndKeys) {
    // A file that came after the dialog last listed its folder is there.
    writePathList(folder.filePath(QStringLiteral("new.lss")), {});
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    forms().Form21->History.clear();

    EXPECT_EQ(modalShownBy([] { main().OpenandPlay1->trigger(); }), forms().Form9);
    EXPECT_EQ(forms().Form9->FileListBox1->Item(0), QStringLiteral("new.lss"));
    EXPECT_EQ(modalShownBy([] { main().openslideshow->click(); }), forms().Form9);
    EXPECT_EQ(modalShownBy([] { pressOnMainWindow(Qt::Key_P); }), forms().Form9);
    EXPECT_EQ(modalShownBy([] { main().Slideshow3->trigger(); }), forms().Form20);
    EXPECT_EQ(modalShownBy([] { main().Slideshow2->trigger(); }), forms().Form20);
    EXPECT_EQ(modalShownBy([] { pressOnMainWindow(Qt::Key_S); }), forms().Form20);
    EXPECT_EQ(historyActions(),
              QStringList({"Launched Open/Play Slideshow,", "Launched Open/Play Slideshow,",
                           "Launched Open/Play Slideshow,", "Organize Slideshow Pressed,",
                           "Organize Slideshow Pressed,", "Organize Slideshow Pressed,"}));
    main().hide();
}

TEST_F(SlideshowCommandsTest, AStartArgumentThatCannotBeReadGivesOneBoxAndNoShow) {
    const QString pipe = folder.filePath(QStringLiteral("pipe.lss"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString huge = folder.filePath(QStringLiteral("huge.lss"));
    QFile big(huge);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(TForm1::kMaxStartArgumentSize + 1));
    big.close();
    const QString gone = folder.filePath(QStringLiteral("gone.lss"));

    for (const QString& argument : {gone, pipe, huge}) {
        fakeDialogs().reset();
        main().pendingStartArgument = argument;
        EXPECT_EQ(modalShownBy([] { main().FormActivate(); }), nullptr);
        main().FormActivate();
        EXPECT_EQ(fakeDialogs().messageTexts(), QStringList({"Cannot open file " + argument}));
        EXPECT_TRUE(main().pendingStartArgument.isEmpty());
    }
}

TEST_F(SlideshowCommandsTest, AFolderOrAPictureArgumentIsBrowsedNotPlayed) {
    const QString pictures = folder.filePath(QStringLiteral("pictures"));
    ASSERT_TRUE(QDir().mkpath(pictures + QStringLiteral("/inner")));
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = pictures + QStringLiteral("/red.bmp");
    ASSERT_TRUE(red.save(picture));

    main().pendingStartArgument = pictures + QStringLiteral("/inner");
    EXPECT_EQ(modalShownBy([] { main().FormActivate(); }), nullptr);
    EXPECT_EQ(main().FileListBox1->Directory(), pictures + QStringLiteral("/inner"));
    EXPECT_EQ(main().directorylistbox1->Directory(), main().FileListBox1->Directory());

    main().pendingStartArgument = picture;
    EXPECT_EQ(modalShownBy([] { main().FormActivate(); }), nullptr);
    EXPECT_EQ(main().FileListBox1->Directory(), pictures);
    EXPECT_EQ(main().FileListBox1->Item(main().FileListBox1->ItemIndex()),
              QStringLiteral("red.bmp"));
    EXPECT_EQ(main().jpg->pictureSize(), QSize(4, 3));
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList());
    EXPECT_TRUE(main().pendingStartArgument.isEmpty());
}

TEST_F(SlideshowCommandsTest, AnEmptySlideshowArgumentWaitsForF4WithoutABox) {
    const QString empty = folder.filePath(QStringLiteral("empty.lss"));
    writePathList(empty, {});
    forms().Form8->Timer1->setInterval(10);
    main().pendingStartArgument = empty;
    QString caption;
    ModalAnswer end([&](QWidget* player) {
        QTest::qWait(100);  // ten steps
        caption = forms().Form8->Panel1->text();
        QTest::keyClick(player, Qt::Key_F4);
    });
    main().FormActivate();
    EXPECT_TRUE(end.wasShown());
    EXPECT_EQ(caption, QStringLiteral("Please Wait"));
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList());
}

class RelativeStartArgumentTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        show = folder.filePath(QStringLiteral("show.lss"));
        red = folder.filePath(QStringLiteral("red.bmp"));
        writePathList(show, {red, red});
        // Started in the slideshow's folder, named without it.
        QDir::setCurrent(folder.path());
        ProgramTest::SetUp();
    }
    QStringList startArguments() const override { return {QStringLiteral("show.lss")}; }

    test::ScratchDir folder;
    QString show, red;
};

TEST_F(RelativeStartArgumentTest, TheArgumentPlaysThroughOpenAtTheFirstActivationOnly) {
    EXPECT_EQ(main().pendingStartArgument, show);
    QStringList played;
    int shows = 0;
    auto endShow = [&](QWidget* player) {
        ++shows;
        played = forms().Form8->ListBox1;
        QTest::keyClick(player, Qt::Key_F4);
    };
    {
        ModalAnswer end(endShow);
        main().show();  // no window manager: the first show is the first activation
        ASSERT_TRUE(QTest::qWaitFor([&] { return shows > 0; }, 5000));
    }
    EXPECT_EQ(played, QStringList({red, red}));
    EXPECT_TRUE(historyActions().contains(QStringLiteral("Pressed Open Slideshow,")));
    EXPECT_EQ(forms().Form9->ListBox1->count(), 2);
    EXPECT_FALSE(forms().Form9->isVisible());

    {
        ModalAnswer again(endShow);
        main().FormActivate();
    }
    QTest::qWait(50);
    EXPECT_EQ(shows, 1);
    main().hide();
}

}  // namespace
}  // namespace lumora

#include "slideshow/fullscreen_viewer.h"
#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_mci.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <functional>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::ModalAnswer;
using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}
TForm5& viewer() {
    return *forms().Form5;
}

// The colour of the viewer's picture, or black where there is none.
QColor shown() {
    const QImage& picture = viewer().jpg->picture();
    return picture.isNull() ? QColor(Qt::black) : picture.pixelColor(0, 0);
}

QString selectedEntry() {
    return main().FileListBox1->Item(main().FileListBox1->ItemIndex());
}

template <class Condition>
bool waitFor(Condition done) {
    for (int i = 0; i < 400 && !done(); ++i)
        QTest::qWait(5);
    return done();
}

class ViewerTest : public ProgramTest {
protected:
    // Members are made before SetUp creates the windows: the main window's
    // player is a fake device, so an empty ".mpg" "plays".
    test::FakeMci mci_;
    test::MciScope mciScope_{&mci_};

    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    // A picture of one colour; JPEGs are written by Qt's own plug-in.
    void picture(const char* name, QColor colour, QSize size = {64, 48}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(QString::fromLatin1(name));
        const bool jpeg = path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
                          path.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
        ASSERT_TRUE(image.save(path, jpeg ? "JPEG" : "BMP", 100)) << name;
    }
    void textFile(const char* name) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    // Lists the folder and clicks entry, the way the user would.
    void listAndClick(const char* entry, bool withFolders = true) {
        main().directorylistbox1->setDirectory(dir.path());
        main().FileListBox1->Update();
        if (!withFolders)
            main().FileListBox1->setFileType(main().FileListBox1->FileType() &
                                             ~TFileListBox::ftDirectory);
        ASSERT_TRUE(main().FileListBox1->selectItem(QString::fromLatin1(entry))) << entry;
        main().FileListBox1Click();
        main().Timer1Timer();  // enables the file commands
        forms().Form21->History.clear();
    }
    // Opens the viewer with Ctrl+F4's command, runs inside while it shows and
    // closes it; false when no viewer showed.
    static bool view(const std::function<void()>& inside, QAction* command = nullptr) {
        ModalAnswer answer([&](QWidget* modal) {
            EXPECT_EQ(modal, &viewer());
            if (inside)
                inside();
        });
        (command ? command : main().FullScreen1)->trigger();
        return answer.wasShown();
    }
    static void key(Qt::Key key) { QTest::keyClick(viewer().ScrollBox1, key); }

    test::ScratchDir dir;
};

TEST_F(ViewerTest, OpensOverTheScreenWithTheCopyOfThePreview) {
    picture("a.bmp", Qt::red);
    listAndClick("a.bmp");
    QRect screen, geometry, picture;
    Qt::WindowFlags flags;
    QColor background;
    bool scrollBars = true;
    ASSERT_TRUE(view([&] {
        screen = main().screen()->geometry();
        geometry = viewer().geometry();
        flags = viewer().windowFlags();
        background = viewer().ScrollBox1->viewport()->palette().color(QPalette::Window);
        picture = viewer().jpg->geometry();
        scrollBars = viewer().ScrollBox1->horizontalScrollBar()->isVisible() ||
                     viewer().ScrollBox1->verticalScrollBar()->isVisible();
        EXPECT_EQ(viewer().jpg->picture(), main().jpg->picture());
        EXPECT_TRUE(viewer().isFullScreen());
    }));
    EXPECT_EQ(geometry, screen);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(background, QColor(Qt::black));
    // A smaller picture: at its own size, in the middle.
    EXPECT_EQ(picture.size(), QSize(64, 48));
    EXPECT_LE((picture.center() - QRect(QPoint(), screen.size()).center()).manhattanLength(), 2);
    EXPECT_FALSE(scrollBars);
    EXPECT_EQ(historyActions(), QStringList({"Fullscreen activated,"}));

    // The toolbar button and the picture's pop-up open it too.
    EXPECT_TRUE(view({}, main().Full1));
    ModalAnswer answer;
    main().fullscreen->click();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(historyActions().size(), 3);
}

TEST_F(ViewerTest, StepsOverFilesThatAreNotPicturesWithoutShowingThem) {
    picture("a.jpg", Qt::red);
    textFile("b.txt");
    picture("c.jpg", Qt::green);
    picture("d.jpg", Qt::blue);
    listAndClick("d.jpg", false);
    ASSERT_EQ(main().FileListBox1->Count(), 4);
    QStringList steps;
    ASSERT_TRUE(view([&] {
        for (int i = 0; i < 3; ++i) {
            key(Qt::Key_F11);
            steps << selectedEntry() + u' ' + shown().name();
        }
        // The pop-up offers the same keys.
        EXPECT_EQ(viewer().NextImage1->shortcut(), QKeySequence(Qt::Key_F12));
        EXPECT_EQ(viewer().PreviousImage1->shortcut(), QKeySequence(Qt::Key_F11));
        EXPECT_EQ(viewer().NextImage1->text(), QStringLiteral("Next Image"));
        EXPECT_EQ(viewer().PreviousImage1->text(), QStringLiteral("Previous Image"));
    }));
    // JPEG colours come back within a step of their value.
    ASSERT_EQ(steps.size(), 3);
    EXPECT_TRUE(steps[0].startsWith(QLatin1String("c.jpg #00ff0"))) << steps[0].toStdString();
    EXPECT_TRUE(steps[1].startsWith(QLatin1String("a.jpg #00ff0"))) << steps[1].toStdString();
    EXPECT_TRUE(steps[2].startsWith(QLatin1String("a.jpg #00ff0"))) << steps[2].toStdString();
    // The preview keeps the last picture stepped to; stepping adds no history.
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("c.jpg"));
    EXPECT_EQ(historyActions(), QStringList({"Fullscreen activated,"}));
}

TEST_F(ViewerTest, StopsAtTheEndsAndPassesOverJpeg) {
    picture("a.jpg", Qt::red);
    picture("b.jpeg", Qt::green);
    picture("c.bmp", Qt::blue);
    listAndClick("a.jpg");
    ASSERT_TRUE(view([&] {
        key(Qt::Key_F12);  // b.jpeg is no picture here: on to c.bmp, unseen
        EXPECT_EQ(selectedEntry(), QStringLiteral("c.bmp"));
        EXPECT_EQ(shown().red(), 254);
        key(Qt::Key_F12);  // the last file
        EXPECT_EQ(selectedEntry(), QStringLiteral("c.bmp"));
        key(Qt::Key_F11);  // b.jpeg again passed over, to a.jpg
        EXPECT_EQ(selectedEntry(), QStringLiteral("a.jpg"));
        key(Qt::Key_F11);  // a.jpg follows the parent folder: stops there
        EXPECT_EQ(selectedEntry(), QStringLiteral("[..]"));
        key(Qt::Key_F11);  // the first entry
        EXPECT_EQ(selectedEntry(), QStringLiteral("[..]"));
        EXPECT_EQ(shown().red(), 254);
    }));
}

TEST_F(ViewerTest, WithoutAPreviewedPictureNothingOpens) {
    picture("a.bmp", Qt::red);
    QFile(dir.filePath(QStringLiteral("song.mpg"))).open(QIODevice::WriteOnly);
    listAndClick("song.mpg");
    ASSERT_FALSE(main().jpg->isVisible());
    EXPECT_FALSE(view({}));
    EXPECT_TRUE(historyActions().isEmpty());
}

TEST_F(ViewerTest, ALargePictureScrollsASmallOneIsCentred) {
    picture("big.bmp", Qt::yellow, {3000, 2000});
    listAndClick("big.bmp");
    ASSERT_TRUE(view([&] {
        QScrollBar& across = *viewer().ScrollBox1->horizontalScrollBar();
        QScrollBar& down = *viewer().ScrollBox1->verticalScrollBar();
        EXPECT_TRUE(across.isVisible());
        EXPECT_TRUE(down.isVisible());
        EXPECT_EQ(viewer().jpg->size(), QSize(3000, 2000));
        EXPECT_GT(across.maximum(), 3000 - viewer().width() - 1);
        // The keyboard scrolls it, and the keys stay ignored otherwise.
        key(Qt::Key_Right);
        key(Qt::Key_Down);
        EXPECT_GT(across.value(), 0);
        EXPECT_GT(down.value(), 0);
        key(Qt::Key_Escape);
        EXPECT_TRUE(viewer().isVisible());
    }));
}

TEST_F(ViewerTest, RightClicksOnThePictureAndOnTheBlackAroundItOpenThePopUp) {
    picture("a.bmp", Qt::red, {64, 48});
    listAndClick("a.bmp");
    ASSERT_TRUE(view([&] {
        QWidget* black = viewer().ScrollBox1->viewport();
        ASSERT_FALSE(viewer().jpg->geometry().contains(QPoint(5, 5)));
        for (QWidget* surface : {black, static_cast<QWidget*>(viewer().jpg)}) {
            // As the window system delivers a right click: to the widget under the mouse.
            const QPoint at(5, 5);
            QContextMenuEvent click(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
            QApplication::sendEvent(surface, &click);
            EXPECT_TRUE(viewer().PopupMenu1->isVisible()) << surface->objectName().toStdString();
            EXPECT_EQ(viewer().PopupMenu1->pos(), surface->mapToGlobal(at));
            viewer().PopupMenu1->hide();
        }
    }));
}

TEST_F(ViewerTest, F4AndDoubleClicksClose) {
    picture("a.bmp", Qt::red, {400, 300});
    listAndClick("a.bmp");
    const auto closesBy = [](const std::function<void()>& act) {
        bool closed = false;
        view([&] {
            act();
            closed = !viewer().isVisible();
        });
        return closed;
    };
    EXPECT_TRUE(closesBy([] { key(Qt::Key_F4); }));
    EXPECT_TRUE(closesBy([] { QTest::mouseDClick(viewer().jpg, Qt::LeftButton); }));
    EXPECT_TRUE(closesBy([] {
        QTest::mouseDClick(viewer().ScrollBox1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    }));
    EXPECT_FALSE(closesBy([] { key(Qt::Key_F5); }));
}

TEST_F(ViewerTest, AFileThePreviewCannotShowLeavesTheScreenBlack) {
    picture("a.jpg", Qt::red);
    picture("b.gif", Qt::green);  // a bitmap named .gif: still no preview for it
    textFile("c.jpg");            // broken
    picture("d.bmp", Qt::blue);
    listAndClick("a.jpg");
    QStringList steps;
    ASSERT_TRUE(view([&] {
        for (int i = 0; i < 3; ++i) {
            key(Qt::Key_F12);
            QTest::qWait(20);
            const QImage screen = viewer().grab().toImage();
            steps << selectedEntry() + u' ' + shown().name() + u' ' +
                         screen.pixelColor(screen.rect().center()).name();
        }
    }));
    EXPECT_EQ(steps, QStringList({"b.gif #000000 #000000", "c.jpg #000000 #000000",
                                  "d.bmp #0000ff #0000ff"}));
}

TEST_F(ViewerTest, FoldersAndPipesAreNeverPictures) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("trip.jpg")));
    picture("a.jpg", Qt::red);
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("b.bmp"))), 0600), 0);
    picture("c.bmp", Qt::blue);
    picture("d.bmp", Qt::green);
    listAndClick("a.jpg");
    ASSERT_TRUE(view([&] {
        key(Qt::Key_F12);  // the pipe is passed over, c.bmp with it
        EXPECT_EQ(selectedEntry(), QStringLiteral("c.bmp"));
        EXPECT_EQ(shown().green(), 0);
        key(Qt::Key_F11);  // back over the pipe to a.jpg, unseen
        key(Qt::Key_F11);  // the folder "trip.jpg": passed over to the one before
        EXPECT_EQ(selectedEntry(), QStringLiteral("[..]"));
        EXPECT_GT(shown().red(), 250);
    }));
}

TEST_F(ViewerTest, TheNextPictureIsDecodedAhead) {
    picture("a.jpg", Qt::red);
    picture("b.jpg", Qt::green);
    picture("c.jpg", Qt::blue);
    listAndClick("a.jpg");
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    const QString c = dir.filePath(QStringLiteral("c.jpg"));
    ASSERT_TRUE(view([&] {
        const TSlidePrefetch& ahead = *viewer().prefetch();
        const TSlidePrefetch::Counts start = ahead.counts();
        EXPECT_TRUE(waitFor([&] { return ahead.ready(b); }));
        key(Qt::Key_F12);
        EXPECT_EQ(ahead.counts().prefetched, start.prefetched + 1);
        EXPECT_EQ(ahead.counts().decodedHere, start.decodedHere);
        EXPECT_GT(shown().green(), 250);

        // A file changed after it was decoded ahead is decoded again.
        EXPECT_TRUE(waitFor([&] { return ahead.ready(c); }));
        QTest::qWait(20);  // a newer time stamp
        picture("c.jpg", Qt::yellow);
        key(Qt::Key_F12);
        EXPECT_EQ(ahead.counts().decodedHere, start.decodedHere + 1);
        EXPECT_GT(shown().red(), 250);
        EXPECT_GT(shown().green(), 250);

        // Backwards, the picture before is decoded ahead; a re-read of the
        // list drops it.
        key(Qt::Key_F11);
        EXPECT_TRUE(waitFor([&] { return ahead.ready(dir.filePath("a.jpg")); }));
        main().FileListBox1->Update();
        EXPECT_FALSE(ahead.ready(dir.filePath("a.jpg")));
    }));
    EXPECT_FALSE(viewer().prefetch()->ready(b));
}

}  // namespace
}  // namespace lumora

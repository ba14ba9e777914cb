#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}
TForm15& progress() {
    return *forms().Form15;
}
TForm8& player() {
    return *forms().Form8;
}

struct Outcome {
    bool progressShown = false;
    bool playerShown = false;
    QStringList played;  // the player's list as it started
};

class QuickSlideshowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().show();
        list(dir.path());
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    void list(const QString& folder) {
        main().directorylistbox1->setDirectory(folder);
        main().FileListBox1->Update();
        ASSERT_EQ(main().FileListBox1->Directory(), folder);
        main().FileListBox1->setItemIndex(-1);
        forms().Form21->History.clear();
    }
    QString make(const QString& name, QColor colour = Qt::white) {
        const QString path = dir.filePath(name);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path, "BMP")) << name.toStdString();
        return path;
    }
    void select(const QString& entry) {
        ASSERT_TRUE(main().FileListBox1->selectItem(entry)) << entry.toStdString();
        main().FileListBox1Click();
    }
    QStringList entryTexts() const {
        QStringList texts;
        for (int i = 0; i < main().FileListBox1->Count(); ++i)
            texts << main().FileListBox1->Item(i);
        return texts;
    }

    // Runs "Quick Slideshow" from the menu to its end. whileWalking runs once
    // as the progress window shows; a player that starts is ended at once.
    static Outcome run(const std::function<void()>& whileWalking = {}) {
        Outcome outcome;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == &progress() && !outcome.progressShown) {
                outcome.progressShown = true;
                if (whileWalking)
                    whileWalking();
            } else if (modal == &player() && !outcome.playerShown) {
                outcome.playerShown = true;
                outcome.played = player().ListBox1;
                player().Close();
            }
        });
        watch.start();
        main().QuickSlideshow1->trigger();
        return outcome;
    }

    test::ScratchDir dir;
};

TEST_F(QuickSlideshowTest, PlaysTheListedPicturesInListOrder) {
    const QString a = make(QStringLiteral("a.bmp"));
    QFile(dir.filePath(QStringLiteral("b.txt"))).open(QIODevice::WriteOnly);
    const QString c = make(QStringLiteral("c.jpeg"));
    list(dir.path());
    const QImage preview = main().jpg->picture();

    const Outcome outcome = run();
    EXPECT_TRUE(outcome.progressShown);
    ASSERT_TRUE(outcome.playerShown);
    EXPECT_EQ(outcome.played, QStringList({a, c}));
    EXPECT_EQ(historyActions().first(), QStringLiteral("Quick Slideshow Launched,"));
    EXPECT_TRUE(fakeDialogs().messages.empty());
    // The selection stays on the last file; the preview was not touched.
    EXPECT_EQ(main().FileListBox1->Item(main().FileListBox1->ItemIndex()),
              QStringLiteral("c.jpeg"));
    EXPECT_EQ(main().jpg->picture(), preview);
    EXPECT_FALSE(progress().isVisible());
    EXPECT_FALSE(main().qstimer->isActive());
    EXPECT_EQ(progress().I->value(), -1);  // nothing was selected at launch
}

TEST_F(QuickSlideshowTest, TheLastFileIsExaminedLikeTheOthers) {
    struct Case {
        QStringList files;
        QStringList slides;
    };
    const Case cases[] = {
        {{"p.jpg", "t.txt"}, {"p.jpg"}},
        {{"t.txt", "z.bmp"}, {"z.bmp"}},
        {{"one.pcx"}, {"one.pcx"}},
        {{"Photo.Jpg", "X.TGA", "y.gif"}, {"Photo.Jpg", "X.TGA"}},
    };
    // Every folder is there before the tree reads their parent.
    for (int n = 1; n <= int(std::size(cases)); ++n)
        QDir(dir.path()).mkdir(QString::number(n));
    int n = 0;
    for (const Case& c : cases) {
        const QString folder = dir.filePath(QString::number(++n));
        QStringList wanted;
        for (const QString& file : c.files)
            QFile(folder + u'/' + file).open(QIODevice::WriteOnly);
        for (const QString& slide : c.slides)
            wanted << folder + u'/' + slide;
        list(folder);
        const Outcome outcome = run();
        EXPECT_EQ(outcome.played, wanted) << c.files.join(u' ').toStdString();
    }
}

TEST_F(QuickSlideshowTest, NothingToPlayGivesTheMessageAndNoPlayer) {
    const QStringList cases[] = {{}, {"x.txt", "y.gif", "z.png", "w.emf"}};
    for (const QStringList& files : cases)
        QDir(dir.path()).mkpath(QString::number(files.size()) + QStringLiteral("/sub.jpg"));
    for (const QStringList& files : cases) {
        const QString folder = dir.filePath(QString::number(files.size()));
        for (const QString& file : files)
            QFile(folder + u'/' + file).open(QIODevice::WriteOnly);
        list(folder);
        fakeDialogs().reset();
        const Outcome outcome = run();
        EXPECT_FALSE(outcome.playerShown);
        ASSERT_EQ(fakeDialogs().messages.size(), 1u);
        const test::FakeDialogs::Message& message = fakeDialogs().messages[0];
        EXPECT_EQ(message.text, QStringLiteral("No supported files found"));
        EXPECT_EQ(message.icon, MsgIcon::Information);
        EXPECT_EQ(message.buttons, MsgButtons::Ok);
        EXPECT_FALSE(progress().isVisible());
    }
}

TEST_F(QuickSlideshowTest, TheProgressWindowCountsWhileTheSelectionFollows) {
    EXPECT_EQ(progress().Label3->text(), QStringLiteral("File 1000 of 1000"));
    EXPECT_EQ(progress().ProgressBar1->maximum(), 100);
    EXPECT_EQ(progress().windowTitle(), QStringLiteral("Quick SlideShow"));
    for (const char* name : {"a.bmp", "b.txt", "c.bmp", "d.txt"})
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    list(dir.path());
    main().quickWalkSlice = {};  // one file a tick, as the design has it

    QStringList counters, names, selected;
    bool closable = true, escapeClosed = false;
    const Outcome outcome = run([&] {
        main().qstimer->stop();  // the test ticks the walk itself
        closable = progress().windowFlags() & Qt::WindowCloseButtonHint;
        // Neither Escape nor a close request ends the walk.
        QTest::keyClick(&progress(), Qt::Key_Escape);
        progress().close();
        escapeClosed = !progress().isVisible();
        while (progress().isVisible()) {
            main().Timer1Timer();
            progress().Timer1Timer();
            counters << progress().Label3->text() + QStringLiteral(" %1/%2")
                                                        .arg(progress().ProgressBar1->value())
                                                        .arg(progress().ProgressBar1->maximum());
            names << progress().Label1->text();
            selected << main().FileListBox1->Item(main().FileListBox1->ItemIndex());
            main().qstimerTimer();
        }
    });
    EXPECT_FALSE(closable);
    EXPECT_FALSE(escapeClosed);
    // Every entry counts, the parent folder's too.
    EXPECT_EQ(counters, QStringList({"File 1 of 5 1/5", "File 2 of 5 2/5", "File 3 of 5 3/5",
                                     "File 4 of 5 4/5", "File 5 of 5 5/5"}));
    EXPECT_EQ(selected, QStringList({"[..]", "a.bmp", "b.txt", "c.bmp", "d.txt"}));
    // Label1: the main window's refresh, while a file is selected.
    EXPECT_EQ(names, QStringList({"Please Wait", "a.bmp", "b.txt", "c.bmp", "d.txt"}));
    EXPECT_EQ(outcome.played,
              QStringList({dir.filePath(QStringLiteral("a.bmp")), dir.filePath("c.bmp")}));
}

TEST_F(QuickSlideshowTest, TheAnimationIsSevenFramesOfOurOwn) {
    const TAnimatedBitmap& animation = *progress().AnimatedBitmap1;
    ASSERT_EQ(animation.frameCount(), 7);
    EXPECT_EQ(animation.frameTimer()->interval(), 150);
    for (int i = 0; i < 7; ++i)
        EXPECT_NE(animation.frame(i), animation.frame((i + 1) % 7)) << i;
    progress().show();
    const int first = animation.currentFrame();
    QTest::qWait(400);
    EXPECT_NE(animation.currentFrame(), first);
    progress().hide();
    EXPECT_FALSE(animation.frameTimer()->isActive());
}

TEST_F(QuickSlideshowTest, AbortRestoresTheSavedSelectionAndRefreshesItsPreview) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        make(QString::fromLatin1(name), Qt::red);
    list(dir.path());
    select(QStringLiteral("b.bmp"));
    main().quickWalkSlice = {};

    int saved = 0;
    const Outcome outcome = run([&] {
        main().qstimer->stop();
        main().qstimerTimer();  // [..]
        main().qstimerTimer();  // a.bmp
        main().qstimerTimer();  // b.bmp
        saved = progress().I->value();
        // The file changes meanwhile: Abort previews it afresh.
        make(QStringLiteral("b.bmp"), Qt::blue);
        forms().Form21->History.clear();
        progress().BitBtn1->click();
    });
    EXPECT_FALSE(outcome.playerShown);
    EXPECT_EQ(saved, entryTexts().indexOf(QStringLiteral("b.bmp")));
    EXPECT_EQ(progress().I->value(), -1);
    EXPECT_EQ(historyActions(), QStringList({"Abort Quick Slideshow,"}));
    EXPECT_EQ(main().FileListBox1->ItemIndex(), saved);
    EXPECT_EQ(main().jpg->picture().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_FALSE(main().qstimer->isActive());
    EXPECT_FALSE(progress().isVisible());
    // The partial list stays in the player until its next start.
    EXPECT_EQ(player().ListBox1, QStringList({dir.filePath("a.bmp"), dir.filePath("b.bmp")}));
}

TEST_F(QuickSlideshowTest, AbortWithoutASavedSelectionLeavesTheCursor) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        make(QString::fromLatin1(name));
    list(dir.path());
    const QImage preview = main().jpg->picture();
    main().quickWalkSlice = {};
    run([&] {
        main().qstimer->stop();
        main().qstimerTimer();  // [..]
        main().qstimerTimer();  // a.bmp
        progress().BitBtn1->click();
    });
    EXPECT_EQ(main().FileListBox1->Item(main().FileListBox1->ItemIndex()), QStringLiteral("b.bmp"));
    EXPECT_EQ(main().jpg->picture(), preview);
    EXPECT_EQ(progress().I->value(), -1);
}

TEST_F(QuickSlideshowTest, AReReadDuringTheWalkNeitherSkipsNorRepeats) {
    QStringList wanted;
    for (const char* name : {"b1.jpg", "b2.jpg", "b3.jpg", "b4.jpg", "b5.jpg"})
        wanted << make(QString::fromLatin1(name));
    list(dir.path());
    main().quickWalkSlice = {};
    QStringList followed;
    const Outcome outcome = run([&] {
        main().qstimer->stop();
        main().qstimerTimer();  // [..]
        main().qstimerTimer();  // b1.jpg
        // Another program adds files before and among the ones walked, and
        // the list is read again.
        make(QStringLiteral("a0.jpg"));
        make(QStringLiteral("b25.jpg"));
        main().FileListBox1->Update();
        while (progress().isVisible()) {
            main().qstimerTimer();
            followed << main().FileListBox1->Item(main().FileListBox1->ItemIndex());
        }
    });
    EXPECT_EQ(outcome.played, wanted);
    // The selection shows the entry walked next, found again by its name.
    EXPECT_EQ(followed, QStringList({"b3.jpg", "b4.jpg", "b5.jpg", "b5.jpg"}));
}

TEST_F(QuickSlideshowTest, FoldersAndPipesNamedLikePicturesAreNoSlides) {
    const QString a = make(QStringLiteral("a.jpg"));
    QDir(dir.path()).mkdir(QStringLiteral("trip.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.bmp"))), 0600), 0);
    list(dir.path());
    ASSERT_TRUE(entryTexts().contains(QStringLiteral("[trip.jpg]")));
    ASSERT_TRUE(entryTexts().contains(QStringLiteral("pipe.bmp")));
    EXPECT_EQ(run().played, QStringList({a}));
}

}  // namespace
}  // namespace lumora

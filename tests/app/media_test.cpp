// The main window's side of media playback: the preview hands sounds to the
// media player window and MPEG files to the inline player, the other
// previews and Close File stop them, the inline bar and the mixer. Fake
// devices where the order of commands matters; real files made by ffmpeg
// for what a user sees and for bad input.

#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "media/media_player_window.h"
#include "platform/application.h"
#include "shell/icon_list_box.h"
#include "support/fake_dialogs.h"
#include "support/fake_mci.h"
#include "support/media_files.h"
#include "support/program.h"
#include "support/programs_on_path.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"
#include "ui/position_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

namespace lumora {
namespace {

using test::FakeMciDevice;
using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

TForm2& player() {
    return *forms().Form2;
}

// The program on a folder of media, on fake devices or the real ones.
class MediaPreviewTest : public ProgramTest {
protected:
    explicit MediaPreviewTest(bool useFake = true) : devices_(useFake ? &fake : nullptr) {}

    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        QImage bitmap(40, 30, QImage::Format_RGB32);
        bitmap.fill(Qt::green);
        ASSERT_TRUE(bitmap.save(path("green.bmp"), "BMP"));
        for (const char* name : {"song.wav", "tune.mid", "clip.mpg", "film.mpeg", "tool.exe"})
            QFile(path(name)).open(QIODevice::WriteOnly);
        fake.media[path("clip.mpg")] = {8000, true};
        fake.media[path("film.mpeg")] = {8000, true};
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().directorylistbox1->setDirectory(dir.path());
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // As the list reports a user's click: an open error goes to the error box.
    void click(const char* entry) {
        main().FileListBox1->Update();
        ASSERT_TRUE(main().FileListBox1->selectItem(QString::fromLatin1(entry))) << entry;
        guarded([] { main().FileListBox1Click(); });
    }

    FakeMciDevice& sound() { return static_cast<FakeMciDevice&>(*player().MediaPlayer1); }
    FakeMciDevice& video() { return static_cast<FakeMciDevice&>(*main().MediaPlayer2); }

    test::FakeMci fake;
    test::ScratchDir dir;

private:
    test::MciScope devices_;
};

TEST_F(MediaPreviewTest, ASoundPlaysInTheMediaPlayerWindow) {
    ASSERT_FALSE(player().isVisible());
    click("tune.mid");
    EXPECT_TRUE(player().isVisible());
    EXPECT_TRUE(main().Mediaplayer1->isChecked());
    EXPECT_TRUE(main().mplayer->isChecked());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Show Mediaplayer,"));
    EXPECT_EQ(sound().calls,
              QStringList({QStringLiteral("open ") + path("tune.mid"), QStringLiteral("play")}));
    EXPECT_EQ(player().trackbar1->maximum(), 1000);
    EXPECT_EQ(player().Label1->text(), QStringLiteral("tune.mid"));
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("tune.mid"));
    EXPECT_TRUE(main().StatusPanels.text(1).isEmpty());
    for (QWidget* surface : {static_cast<QWidget*>(main().jpg), main().Panel6,
                             static_cast<QWidget*>(main().IconListBox1), main().DCAVIPlay1})
        EXPECT_FALSE(surface->isVisible()) << surface->objectName().toStdString();

    // A second sound while the window shows: no second "Show Mediaplayer,".
    const qsizetype entries = historyActions().size();
    click("song.wav");
    EXPECT_EQ(historyActions().size(), entries);
    EXPECT_EQ(player().Label1->text(), QStringLiteral("song.wav"));
}

TEST_F(MediaPreviewTest, AnMpegPlaysInTheVideoPanel) {
    click("film.mpeg");
    EXPECT_TRUE(main().Panel6->isVisible());
    EXPECT_FALSE(main().jpg->isVisible());
    EXPECT_EQ(video().display, main().VideoArea);
    EXPECT_EQ(video().calls,
              QStringList({QStringLiteral("open ") + path("film.mpeg"), QStringLiteral("play")}));
    EXPECT_EQ(main().Scrollbar321->maximum(), 8000);
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("film.mpeg"));
    EXPECT_TRUE(main().StatusPanels.text(1).isEmpty());
    EXPECT_FALSE(player().isVisible());

    video().positionValue = 2500;
    main().Timer1Timer();
    EXPECT_EQ(main().Scrollbar321->value(), 2500);
    // The end: no loop, the bar stays at the end.
    video().reachEnd();
    main().Timer1Timer();
    main().Timer1Timer();
    EXPECT_EQ(main().Scrollbar321->value(), 8000);
    EXPECT_EQ(video().calls.size(), 2);
}

TEST_F(MediaPreviewTest, MpegAndSoundStopEachOther) {
    click("song.wav");
    click("clip.mpg");
    EXPECT_EQ(sound().calls.mid(2), QStringList{QStringLiteral("stop")});
    EXPECT_EQ(sound().modeValue, MciMode::Stopped);
    EXPECT_TRUE(player().isVisible());  // the window stays, stopped

    click("song.wav");
    EXPECT_EQ(video().calls.mid(2), QStringList{QStringLiteral("stop")});
    EXPECT_FALSE(main().Panel6->isVisible());
    EXPECT_EQ(sound().modeValue, MciMode::Playing);
}

// Only a player that plays is stopped: one without a device, or paused, is
// left alone, so a picture never raises "No MCI device open".
TEST_F(MediaPreviewTest, OtherPreviewsStopOnlyAPlayingPlayer) {
    click("green.bmp");
    click("tool.exe");
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
    EXPECT_TRUE(sound().calls.isEmpty());
    EXPECT_TRUE(video().calls.isEmpty());

    click("clip.mpg");
    click("green.bmp");
    EXPECT_EQ(video().calls.last(), QStringLiteral("stop"));
    EXPECT_FALSE(main().Panel6->isVisible());
    EXPECT_TRUE(main().jpg->isVisible());

    click("song.wav");
    player().ToolbarButton972->click();  // paused
    sound().calls.clear();
    click("tool.exe");
    EXPECT_TRUE(sound().calls.isEmpty());
    EXPECT_EQ(sound().modeValue, MciMode::Paused);
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

TEST_F(MediaPreviewTest, CloseFileClosesThePlayerWindowAndStopsTheVideo) {
    click("song.wav");
    main().closeimage->click();
    EXPECT_FALSE(player().isVisible());
    EXPECT_FALSE(main().Mediaplayer1->isChecked());
    EXPECT_FALSE(main().mplayer->isChecked());
    EXPECT_EQ(sound().calls.last(), QStringLiteral("stop"));

    click("clip.mpg");
    main().Close1->trigger();
    EXPECT_FALSE(main().Panel6->isVisible());
    EXPECT_EQ(video().calls.last(), QStringLiteral("stop"));
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

TEST_F(MediaPreviewTest, TheInlineBarDrivesTheVideo) {
    // Without a device the buttons say so; the panel that holds them only
    // shows with a file, so they make no test of their own.
    for (QPushButton* button : {main().Button1, main().Button2, main().Button3})
        button->click();
    EXPECT_EQ(test::fakeDialogs().messageTexts(),
              QStringList(3, QStringLiteral("No MCI device open")));
    test::fakeDialogs().reset();
    main().Button4->click();
    EXPECT_TRUE(test::fakeDialogs().messages.empty());

    click("clip.mpg");
    video().calls.clear();
    main().Button2->click();
    main().Button2->click();
    main().Button3->click();
    main().Button1->click();
    EXPECT_EQ(video().calls,
              QStringList({QStringLiteral("pause"), QStringLiteral("pause"), QStringLiteral("stop"),
                           QStringLiteral("rewind"), QStringLiteral("play")}));
    EXPECT_EQ(video().modeValue, MciMode::Playing);
    EXPECT_EQ(video().positionValue, 0);
}

TEST_F(MediaPreviewTest, ThePositionBarSeeksOnTheUsersActions) {
    click("clip.mpg");
    video().calls.clear();
    QScrollBar& bar = *main().Scrollbar321;
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(video().calls,
              QStringList({QStringLiteral("pause"), QStringLiteral("seek %1").arg(bar.pageStep()),
                           QStringLiteral("play")}));
    video().calls.clear();

    // A dragged thumb seeks as it moves; the refresh leaves it where it is held.
    bar.setSliderDown(true);
    bar.setSliderPosition(6000);
    EXPECT_EQ(video().calls, QStringList({QStringLiteral("pause"), QStringLiteral("seek 6000"),
                                          QStringLiteral("play")}));
    video().positionValue = 100;
    main().Timer1Timer();
    EXPECT_EQ(bar.sliderPosition(), 6000);
    bar.setSliderDown(false);
    video().calls.clear();
    video().positionValue = 6100;
    main().Timer1Timer();
    EXPECT_EQ(bar.value(), 6100);
    EXPECT_TRUE(video().calls.isEmpty());
}

// The mixer is the desktop's, else alsamixer in a terminal; on a desktop that
// has neither, or no terminal for alsamixer, the history entry is followed
// by an error box that names what is missing.
TEST_F(MediaPreviewTest, TheMixerIsTheDesktopsOrAlsamixerInATerminalOrSaysWhatIsMissing) {
    test::ProgramsOnPath programs;
    const auto mixer = [](QAbstractButton* orMenu = nullptr) {
        test::fakeDialogs().reset();
        forms().Form21->History.clear();
        if (orMenu)
            orMenu->click();
        else
            main().Mixer1->trigger();
        EXPECT_EQ(historyActions(), QStringList{QStringLiteral("Launched Mixer Device,")});
        return test::fakeDialogs().messageTexts();
    };
    EXPECT_EQ(mixer(), QStringList{QStringLiteral(
                           "No mixer could be started: neither pavucontrol nor alsamixer is "
                           "installed.")});
    programs.install(QStringLiteral("alsamixer"));
    EXPECT_EQ(mixer(main().ToolbarButton971),
              QStringList{QStringLiteral("No mixer could be started: pavucontrol is not "
                                         "installed, and alsamixer needs a terminal "
                                         "(x-terminal-emulator), which is not installed.")});
    programs.install(QStringLiteral("x-terminal-emulator"));
    EXPECT_TRUE(mixer().isEmpty());
    programs.install(QStringLiteral("pavucontrol"));
    EXPECT_TRUE(mixer().isEmpty());
    // Started on their own: wait for them to note it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return programs.started().size() == 2; }, 5000));
    QStringList started = programs.started();
    started.sort();
    EXPECT_EQ(started, QStringList({QStringLiteral("pavucontrol "),
                                    QStringLiteral("x-terminal-emulator -e alsamixer")}));
}

// The real devices on files made by ffmpeg.
class RealMediaPreviewTest : public MediaPreviewTest {
protected:
    RealMediaPreviewTest() : MediaPreviewTest(false) {}

    void copyIn(const QString& from, const char* name) {
        QFile::remove(path(name));
        ASSERT_TRUE(QFile::copy(from, path(name)));
    }
};

TEST_F(RealMediaPreviewTest, ASoundPlaysOnAndAnMpegStopsIt) {
    copyIn(test::toneMp2(), "tone.wav");  // the content decides, not the name
    copyIn(test::redBlueMpeg(), "redblue.mpg");
    click("tone.wav");
    MciDevice& sound = *player().MediaPlayer1;
    ASSERT_TRUE(test::waitFor([&] { return player().trackbar1->value() > 300; }));
    EXPECT_EQ(sound.mode(), MciMode::Playing);
    EXPECT_NEAR(player().trackbar1->maximum(), 2000, 60);

    click("redblue.mpg");
    EXPECT_EQ(sound.mode(), MciMode::Stopped);
    MciDevice& video = *main().MediaPlayer2;
    ASSERT_TRUE(test::waitFor([&] { return video.framesDrawn() > 3; }));
    ASSERT_TRUE(test::waitFor([&] { return main().Scrollbar321->value() > 300; }));
    click("green.bmp");
    EXPECT_EQ(video.mode(), MciMode::Stopped);
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

// A video taller than the panel is fitted into the panel above the bar: its
// blue foot shows right above the buttons, none of it under them.
TEST_F(RealMediaPreviewTest, ATallVideoFitsAboveTheBar) {
    copyIn(test::ffmpegFile(QStringLiteral("tall.mpg"),
                            {"-f", "lavfi", "-i",
                             "color=c=red:s=80x400:r=25:d=1,"
                             "drawbox=x=0:y=360:w=80:h=40:color=blue:t=fill",
                             "-c:v", "mpeg1video", "-q:v", "2", "-f", "mpeg"}),
           "tall.mpg");
    click("tall.mpg");
    ASSERT_TRUE(test::waitFor([] { return main().MediaPlayer2->framesDrawn() > 0; }));
    main().Button2->click();  // pause: the picture stands
    const QImage panel = main().Panel6->grab().toImage();
    const int bar = main().Panel7->y();
    ASSERT_EQ(bar, main().Panel6->height() - 41);
    const int across = panel.width() / 2;
    const auto colourAt = [&](int y) { return QColor(panel.pixel(across, y)); };
    EXPECT_GT(colourAt(2).red(), 200) << "the top of the video";
    EXPECT_GT(colourAt(bar - 3).blue(), 200) << "the foot of the video, above the bar";
    EXPECT_LT(colourAt(bar - 3).red(), 60);
}

// Bad files show their open error once and leave the players usable.
TEST_F(RealMediaPreviewTest, BadFilesShowTheirErrorOnceAndThePlayerStaysUsable) {
    QFile text(path("notes.wav"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Shopping: bread, milk\n");
    text.close();
    const QByteArray wav = test::readFile(test::toneWav());
    QFile cut(path("cut.wav"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(wav.left(30));  // not even the whole header
    cut.close();
    copyIn(test::toneWav(), "tone.wav");

    player().CheckBox1->setChecked(true);  // "Loop Play" must not repeat the error
    struct Case {
        const char* entry;
        const char* says;
    };
    for (const Case& c :
         {Case{"notes.wav", "is not a media file"}, Case{"cut.wav", "is not a media file"},
          Case{"song.wav", "is not a media file"},  // 0 bytes
          Case{"clip.mpg", "is not a media file"}}) {
        test::fakeDialogs().reset();
        click(c.entry);
        for (int tick = 0; tick < 10; ++tick) {
            main().Timer1Timer();
            player().Timer1Timer();
        }
        ASSERT_EQ(test::fakeDialogs().messages.size(), 1u) << c.entry;
        EXPECT_TRUE(test::fakeDialogs().messages[0].text.contains(QLatin1String(c.says)))
            << test::fakeDialogs().messages[0].text.toStdString();
        EXPECT_TRUE(test::fakeDialogs().messages[0].text.contains(path(c.entry)));
    }
    EXPECT_FALSE(player().fileLoaded());
    EXPECT_FALSE(main().MediaPlayer2->isOpen());

    test::fakeDialogs().reset();
    click("tone.wav");
    ASSERT_TRUE(test::waitFor([&] { return player().MediaPlayer1->position() > 100; }));
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

}  // namespace
}  // namespace lumora

// The media player window: its buttons, bar, loop and refresh on a fake
// device where timing does not matter, on real sounds made by ffmpeg where
// it does; its closing, stored loop box, hover feedback and roller.

#include "media/media_player_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "media/win_roller.h"
#include "settings/ini_file.h"
#include "support/fake_dialogs.h"
#include "support/fake_mci.h"
#include "support/media_files.h"
#include "support/program.h"
#include "ui/forms.h"
#include "ui/position_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace lumora {
namespace {

using test::FakeMciDevice;
using test::ProgramTest;

TForm2& window() {
    return *forms().Form2;
}

class MediaPlayerWindowTest : public ProgramTest {
protected:
    FakeMciDevice& device() { return static_cast<FakeMciDevice&>(*window().MediaPlayer1); }

    // Opens and plays a sound as the preview does, and forgets the calls.
    void playSound(int length = 4000) {
        fake.media[path_] = {length, false};
        window().show();
        window().playFile(path_);
        device().calls.clear();
    }

    test::FakeMci fake;
    test::MciScope devices_{&fake};
    const QString path_ = QStringLiteral("/music/song.wav");
};

TEST_F(MediaPlayerWindowTest, ControlsFitTheWindowWithoutOverlapping) {
    TForm2& w = window();
    EXPECT_EQ(w.size(), QSize(233, 67));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.trackbar1->width(), 217);
    const QList<QWidget*> parts = {w.trackbar1,        w.ToolbarButton971, w.ToolbarButton972,
                                   w.ToolbarButton973, w.CheckBox1,        w.Label1};
    for (QWidget* part : parts) {
        EXPECT_TRUE(w.rect().contains(part->geometry())) << part->objectName().toStdString();
        for (QWidget* other : parts)
            if (other != part) {
                EXPECT_FALSE(part->geometry().intersects(other->geometry()))
                    << part->objectName().toStdString() << " " << other->objectName().toStdString();
            }
    }
    // The caption of "Loop Play" is not cut.
    EXPECT_GE(w.CheckBox1->width(), w.CheckBox1->sizeHint().width());
}

TEST_F(MediaPlayerWindowTest, WithoutAFileEachButtonRecordsAndSaysNoFileSelected) {
    window().ToolbarButton971->click();
    window().ToolbarButton972->click();
    window().ToolbarButton973->click();
    EXPECT_EQ(historyActions().mid(historyActions().size() - 3),
              QStringList({QStringLiteral("Play Mediafile,"), QStringLiteral("Pause Mediafile,"),
                           QStringLiteral("Stop Mediafile,")}));
    ASSERT_EQ(test::fakeDialogs().messages.size(), 3u);
    for (const auto& message : test::fakeDialogs().messages) {
        EXPECT_EQ(message.text, QStringLiteral("No file selected!"));
        EXPECT_EQ(message.icon, MsgIcon::Error);
        EXPECT_EQ(message.buttons, MsgButtons::Ok);
    }
    EXPECT_TRUE(device().calls.isEmpty());
}

TEST_F(MediaPlayerWindowTest, APlayedFileShowsItsNameAndTheBarFollowsIt) {
    playSound(4000);
    TForm2& w = window();
    EXPECT_EQ(w.trackbar1->maximum(), 4000);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("song.wav"));
    EXPECT_EQ(device().modeValue, MciMode::Playing);
    device().positionValue = 1200;
    w.Timer1Timer();
    EXPECT_EQ(w.trackbar1->value(), 1200);
    EXPECT_FALSE(w.ToolbarButton971->isEnabled());
    // The refresh set the value: nothing was asked of the device.
    EXPECT_TRUE(device().calls.isEmpty());

    // Unlooped, the end stops it and Play is enabled again.
    device().reachEnd();
    w.Timer1Timer();
    EXPECT_TRUE(w.ToolbarButton971->isEnabled());
    EXPECT_EQ(w.trackbar1->value(), 4000);
    EXPECT_TRUE(device().calls.isEmpty());
}

TEST_F(MediaPlayerWindowTest, LoopPlayStartsAgainAtTheExactEnd) {
    playSound(4000);
    window().CheckBox1->setChecked(true);
    device().positionValue = 3999;
    window().Timer1Timer();
    EXPECT_TRUE(device().calls.isEmpty());
    device().reachEnd();
    window().Timer1Timer();
    EXPECT_EQ(device().calls, QStringList{QStringLiteral("play")});
    EXPECT_EQ(device().modeValue, MciMode::Playing);
    EXPECT_EQ(device().positionValue, 0);
}

// The bar seeks on what the user does, never on what the refresh sets; a
// dragged thumb seeks as it moves, with one seek in flight at a time, and the
// refresh leaves it alone.
TEST_F(MediaPlayerWindowTest, TheBarSeeksOnTheUsersActionsOneSeekInFlight) {
    playSound(60000);
    QScrollBar& bar = *window().trackbar1;
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(device().calls, QStringList({QStringLiteral("pause"), QStringLiteral("seek 1000"),
                                           QStringLiteral("play")}));
    device().calls.clear();
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(device().calls.contains(QStringLiteral("seek 6000")));
    device().calls.clear();

    // A drag: each move seeks at once while the player has no seek under way.
    bar.setSliderDown(true);
    bar.setSliderPosition(20000);
    EXPECT_EQ(device().calls, QStringList({QStringLiteral("pause"), QStringLiteral("seek 20000"),
                                           QStringLiteral("play")}));
    device().calls.clear();
    // That seek takes its time: the moves meanwhile wait, the refresh does not
    // pull the thumb back, and once the seek is done the last move is given.
    device().seekingValue = true;
    bar.setSliderPosition(25000);
    bar.setSliderPosition(30000);
    device().positionValue = 7000;
    window().Timer1Timer();
    QTest::qWait(30);
    EXPECT_EQ(bar.sliderPosition(), 30000);
    EXPECT_TRUE(device().calls.isEmpty());
    device().seekingValue = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !device().calls.isEmpty(); }, 1000));
    EXPECT_EQ(device().calls, QStringList({QStringLiteral("pause"), QStringLiteral("seek 30000"),
                                           QStringLiteral("play")}));
    device().calls.clear();
    bar.setSliderDown(false);  // let go where it was: nothing more
    QTest::qWait(20);
    EXPECT_TRUE(device().calls.isEmpty());

    // Values set from code are no scroll.
    bar.setValue(100);
    device().positionValue = 200;
    window().Timer1Timer();
    EXPECT_TRUE(device().calls.isEmpty());
}

// A file that fails to open leaves nothing loaded: "Loop Play" shows no
// error at every tick, and the buttons say "No file selected!".
TEST_F(MediaPlayerWindowTest, AFailedOpenLeavesNoFileToLoopOrPlay) {
    playSound();
    const QString broken = QStringLiteral("/music/broken.wav");
    fake.openErrors.emplace(broken, EMciError::notMediaFile(broken));
    window().CheckBox1->setChecked(true);
    EXPECT_THROW(window().playFile(broken), EMciError);
    EXPECT_FALSE(window().fileLoaded());
    EXPECT_TRUE(window().Label1->text().isEmpty());
    EXPECT_EQ(window().trackbar1->maximum(), 0);
    for (int tick = 0; tick < 5; ++tick)
        window().Timer1Timer();
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
    EXPECT_EQ(device().calls, QStringList{QStringLiteral("open ") + broken});
    window().ToolbarButton971->click();
    EXPECT_EQ(test::fakeDialogs().messageTexts(), QStringList{QStringLiteral("No file selected!")});

    // The player stays usable.
    window().playFile(path_);
    EXPECT_EQ(device().modeValue, MciMode::Playing);
}

TEST_F(MediaPlayerWindowTest, AMediumOfNoLengthDoesNotLoop) {
    playSound(0);
    window().CheckBox1->setChecked(true);
    device().reachEnd();
    window().Timer1Timer();
    window().Timer1Timer();
    EXPECT_TRUE(device().calls.isEmpty());
}

TEST_F(MediaPlayerWindowTest, ClosingStopsUnchecksAndKeepsTheFile) {
    TForm1& main = *forms().Form1;
    main.Mediaplayer1->trigger();
    ASSERT_TRUE(window().isVisible());
    ASSERT_TRUE(main.Mediaplayer1->isChecked());
    ASSERT_TRUE(main.mplayer->isChecked());
    playSound();

    window().close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(main.Mediaplayer1->isChecked());
    EXPECT_FALSE(main.mplayer->isChecked());
    EXPECT_EQ(device().calls, QStringList{QStringLiteral("stop")});
    EXPECT_TRUE(window().fileLoaded());
    EXPECT_FALSE(window().Timer1->isActive());

    // Shown again, it holds the same file, stopped where it was.
    main.mplayer->click();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().Label1->text(), QStringLiteral("song.wav"));
    EXPECT_EQ(device().modeValue, MciMode::Stopped);
    EXPECT_EQ(historyActions().last(), QStringLiteral("Show Mediaplayer,"));
}

TEST_F(MediaPlayerWindowTest, LoopPlayIsStoredInItsSection) {
    window().show();
    window().CheckBox1->setChecked(true);
    window().close();
    QFile file(test::settingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(IniDocument::parse(file.readAll())
                  .value(QStringLiteral("mediaplayer"), QStringLiteral("CheckBox1_Checked")),
              QStringLiteral("True"));
    destroyForms();
    createForms({});
    EXPECT_FALSE(window().CheckBox1->isChecked());  // read when first shown
    window().show();
    EXPECT_TRUE(window().CheckBox1->isChecked());
}

TEST_F(MediaPlayerWindowTest, HoveringLoopPlayHighlightsIt) {
    TForm2& w = window();
    w.show();
    const auto moveOver = [](QWidget* widget, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
    };
    const QColor normal = w.palette().color(QPalette::WindowText);
    moveOver(w.CheckBox1, {5, 5});
    EXPECT_TRUE(w.CheckBox1->font().underline());
    EXPECT_EQ(w.CheckBox1->palette().color(QPalette::WindowText), QColor(Qt::blue));
    // The bar is not part of it.
    moveOver(&w, w.trackbar1->geometry().center());
    EXPECT_TRUE(w.CheckBox1->font().underline());
    moveOver(w.Label1, {5, 5});
    EXPECT_FALSE(w.CheckBox1->font().underline());
    EXPECT_EQ(w.CheckBox1->palette().color(QPalette::WindowText), normal);
    moveOver(w.CheckBox1, {5, 5});
    moveOver(&w, {2, 30});  // the background
    EXPECT_FALSE(w.CheckBox1->font().underline());
    moveOver(w.CheckBox1, {5, 5});
    moveOver(w.ToolbarButton973, {5, 5});
    EXPECT_FALSE(w.CheckBox1->font().underline());
}

// Offscreen there is no window manager to shade: the roller rolls the
// window up to a strip of its own.
TEST_F(MediaPlayerWindowTest, TheRollerRollsUpToAStripAndDownAgain) {
    TForm2& w = window();
    w.show();
    TWinRoller& roller = *w.WinRoller1;
    std::vector<bool> reported;
    QObject::connect(&roller, &TWinRoller::OnRoller,
                     [&](bool rolled) { reported.push_back(rolled); });

    QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(2, 30));
    EXPECT_TRUE(roller.Roller());
    EXPECT_TRUE(roller.strip()->isVisible());
    EXPECT_EQ(roller.strip()->text(), QStringLiteral("Mediaplayer"));
    EXPECT_EQ(w.height(), roller.strip()->height());
    EXPECT_LT(w.height(), 30);
    EXPECT_EQ(w.width(), 233);

    QTest::mouseDClick(roller.strip(), Qt::LeftButton);
    EXPECT_FALSE(roller.Roller());
    EXPECT_FALSE(roller.strip()->isVisible());
    EXPECT_EQ(w.size(), QSize(233, 67));

    // By keyboard: the window's commands, and Enter on the strip.
    QAction* rollUp = nullptr;
    for (QAction* action : w.actions())
        if (action->text() == QLatin1String("Roll Up"))
            rollUp = action;
    ASSERT_TRUE(rollUp);
    EXPECT_EQ(rollUp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Up));
    rollUp->trigger();
    EXPECT_TRUE(roller.Roller());
    EXPECT_EQ(w.focusWidget(), roller.strip());
    QTest::keyClick(roller.strip(), Qt::Key_Return);
    EXPECT_FALSE(roller.Roller());

    // Closed while rolled up, it comes back whole.
    roller.setRoller(true);
    w.close();
    EXPECT_FALSE(roller.Roller());
    w.show();
    EXPECT_EQ(w.size(), QSize(233, 67));
    EXPECT_EQ(reported, std::vector<bool>({true, false, true, false, true, false}));

    // Disabled, the gestures do nothing.
    roller.setEnabled(false);
    QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(2, 30));
    EXPECT_FALSE(roller.Roller());
}

TEST(WinRoller, AnOwnerThatIsNoWindowIsRefused) {
    QObject plain;
    QWidget window;
    QWidget child(&window);
    for (QObject* owner : {&plain, static_cast<QObject*>(&child)}) {
        try {
            TWinRoller roller(owner);
            ADD_FAILURE() << "accepted " << owner->metaObject()->className();
        } catch (const EError& e) {
            EXPECT_STREQ(e.what(), "Class of the owner is not a TForm!");
        }
    }
    EXPECT_NO_THROW(TWinRoller{&window});
}

// The real device on sounds made by ffmpeg: the edge cases that depend on
// how a device really plays.
class MediaPlayerWindowPlayingTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        window().show();
    }
    MciDevice& player() { return *window().MediaPlayer1; }
};

TEST_F(MediaPlayerWindowPlayingTest, LoopPlayRestartsAtOnceAndStopsWhenUnchecked) {
    window().CheckBox1->setChecked(true);
    window().playFile(test::toneWav());
    ASSERT_TRUE(test::waitFor([&] { return player().position() > 800; }));
    // Across the end it keeps playing, from the start again.
    ASSERT_TRUE(test::waitFor([&] { return player().position() < 500; }));
    EXPECT_EQ(player().mode(), MciMode::Playing);
    EXPECT_TRUE(test::waitFor([&] { return !window().ToolbarButton971->isEnabled(); }));

    window().CheckBox1->setChecked(false);
    ASSERT_TRUE(test::waitFor([&] { return player().mode() == MciMode::Stopped; }));
    EXPECT_EQ(player().position(), player().length());
    ASSERT_TRUE(test::waitFor([&] { return window().ToolbarButton971->isEnabled(); }));
    EXPECT_EQ(window().trackbar1->value(), player().length());
}

TEST_F(MediaPlayerWindowPlayingTest, PauseTwiceResumesAndStopThenPlayStartsAtTheBeginning) {
    window().playFile(test::toneMp2());
    ASSERT_TRUE(test::waitFor([&] { return player().position() > 300; }));
    window().ToolbarButton972->click();
    EXPECT_EQ(player().mode(), MciMode::Paused);
    window().ToolbarButton972->click();
    EXPECT_EQ(player().mode(), MciMode::Playing);

    window().ToolbarButton973->click();
    EXPECT_EQ(player().mode(), MciMode::Stopped);
    EXPECT_EQ(player().position(), 0);
    ASSERT_TRUE(test::waitFor([&] { return window().ToolbarButton971->isEnabled(); }));
    window().ToolbarButton971->click();
    EXPECT_EQ(player().mode(), MciMode::Playing);
    EXPECT_LT(player().position(), 300);
}

TEST_F(MediaPlayerWindowPlayingTest, ADragWhilePausedPlaysOnFromThere) {
    window().playFile(test::toneMp2());
    window().ToolbarButton972->click();
    ASSERT_EQ(player().mode(), MciMode::Paused);
    QScrollBar& bar = *window().trackbar1;
    bar.setSliderDown(true);
    bar.setSliderPosition(1500);
    bar.setSliderDown(false);
    EXPECT_EQ(player().mode(), MciMode::Playing);
    EXPECT_GE(player().position(), 1500);
    ASSERT_TRUE(test::waitFor([&] { return player().mode() == MciMode::Stopped; }));
    EXPECT_EQ(player().position(), player().length());
}

}  // namespace
}  // namespace lumora

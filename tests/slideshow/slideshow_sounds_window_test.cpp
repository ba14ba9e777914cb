#include "slideshow/slideshow_sounds_window.h"
#include "app/start_up.h"
#include "platform/audio_out.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/fake_mci.h"
#include "support/media_files.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/forms.h"
#include "ui/list_box.h"
#include "ui/position_bar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::FakeMciDevice;

TForm22& sounds() {
    return *forms().Form22;
}

TForm8& player() {
    return *forms().Form8;
}

class SoundsTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        sounds().enablesound->setChecked(true);
    }
    void TearDown() override {
        player().hide();
        sounds().hide();
        ProgramTest::TearDown();
    }

    QString slide(const char* name, QColor colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    test::ScratchDir folder;
};

// The window's player made a fake one: the continuation is stepped tick by tick.
class FakeSoundsTest : public SoundsTest {
protected:
    void SetUp() override {
        SoundsTest::SetUp();
        sounds().MediaPlayer1 = devices.createDevice();
        sounds().Timer1->stop();
    }
    void TearDown() override {
        sounds().Stop();
        SoundsTest::TearDown();
    }

    FakeMciDevice& device() { return *devices.devices.back(); }
    QStringList opened() const {
        return devices.devices.back()->calls.filter(QStringLiteral("open "));
    }
    static void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            sounds().Timer1Timer();
    }

    test::FakeMci devices;
};

TEST_F(SoundsTest, TwoWavesPlayInTurnWhileTheSlidesChangeOnTheirOwnUntilF4) {
    const QString first = test::ffmpegFile(
        QStringLiteral("first.wav"), {"-f", "lavfi", "-i", "sine=frequency=440:duration=0.3"});
    const QString second = test::ffmpegFile(
        QStringLiteral("second.wav"), {"-f", "lavfi", "-i", "sine=frequency=660:duration=0.2"});
    sounds().ListBox1->setItems({first, second});
    const QStringList slides{slide("red.bmp", Qt::red), slide("blue.bmp", Qt::blue)};
    player().Timer1->setInterval(70);

    QStringList played;
    int slidesShown = 0;
    bool stoppedAtOnce = false;
    QObject context;
    QObject::connect(player().Timer1, &QTimer::timeout, &context, [&] { ++slidesShown; });
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, &context, [&] {
        const QString now = sounds().MediaPlayer1->fileName();
        if (!now.isEmpty() && (played.isEmpty() || played.last() != now))
            played << now;
        if (played.size() == 3 && player().isVisible()) {
            QTest::keyClick(&player(), Qt::Key_F4);
            stoppedAtOnce = sounds().MediaPlayer1->mode() != MciMode::Playing &&
                            AudioOut::instance().sourceCount() == 0;
        }
    });
    watch.start();
    QTimer::singleShot(5000, &context, [] { player().hide(); });  // a hung list ends the test
    player().Start(&slides);
    watch.stop();

    EXPECT_EQ(played, QStringList({first, second, first}));
    EXPECT_GE(slidesShown, 5);  // about 0.6 s of sound at 70 ms a slide
    EXPECT_TRUE(stoppedAtOnce);
    EXPECT_FALSE(sounds().continuing());
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList());
}

TEST_F(SoundsTest, DraggingTheBarOfAPlayingSoundContinuesPlayingThere) {
    const QString tone = test::ffmpegFile(QStringLiteral("long.wav"),
                                          {"-f", "lavfi", "-i", "sine=frequency=440:duration=3"});
    sounds().ListBox1->setItems({tone});
    sounds().show();
    TListBox& list = *sounds().ListBox1;
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {},
                       list.visualItemRect(list.item(0)).center());
    MciDevice& device = *sounds().MediaPlayer1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.mode() == MciMode::Playing; }));
    EXPECT_EQ(sounds().position->maximum(), 3000);

    TPositionBar& bar = *sounds().position;
    bar.setSliderDown(true);
    bar.setSliderPosition(1800);
    bar.setSliderPosition(2000);
    bar.setSliderDown(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.position() > 2050; }));
    EXPECT_EQ(device.mode(), MciMode::Playing);
    EXPECT_TRUE(sounds().continuing());
}

TEST_F(SoundsTest, HostileSoundsAreSkippedWithOneBoxUntilOneThatPlays) {
    const QString good = test::ffmpegFile(QStringLiteral("good.wav"),
                                          {"-f", "lavfi", "-i", "sine=frequency=440:duration=0.3"});
    const QString noTracks = test::writeFile(QStringLiteral("no-tracks.mid"),
                                             QByteArray("MThd\0\0\0\6\0\1\0\0\0\x60", 14));
    sounds().ListBox1->setItems({test::writeFile(QStringLiteral("empty.wav"), {}),
                                 test::writeFile(QStringLiteral("text.wav"), "not a sound\n"),
                                 noTracks, folder.filePath(QStringLiteral("gone.wav")),
                                 QString(10000, u'x'), good});
    sounds().Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sounds().MediaPlayer1->fileName() == good; }));
    EXPECT_EQ(sounds().MediaPlayer1->mode(), MciMode::Playing);
    EXPECT_EQ(fakeDialogs().messages.size(), 1u);
    sounds().Stop();
}

TEST_F(FakeSoundsTest, OptionOffOrAnEmptyListPlaysNothing) {
    sounds().ListBox1->setItems({QStringLiteral("/sounds/a.wav")});
    sounds().enablesound->setChecked(false);
    sounds().Start();
    sounds().enablesound->setChecked(true);
    sounds().ListBox1->clear();
    sounds().Start();
    tick(3);
    EXPECT_TRUE(device().calls.isEmpty());
    EXPECT_FALSE(sounds().continuing());
}

TEST_F(FakeSoundsTest, TheListRepeatsAndStopsForGoodEvenAtASoundsEnd) {
    sounds().ListBox1->setItems({QStringLiteral("/a.wav"), QStringLiteral("/b.mid")});
    sounds().Start();
    EXPECT_EQ(opened(), QStringList({"open /a.wav"}));
    tick();  // still playing: nothing moves
    device().reachEnd();
    tick();
    device().reachEnd();
    tick();
    EXPECT_EQ(opened(), QStringList({"open /a.wav", "open /b.mid", "open /a.wav"}));
    EXPECT_EQ(device().mode(), MciMode::Playing);
    EXPECT_EQ(sounds().ListBox1->ItemIndex(), 0);

    // F4 right as a sound ends: the next tick must not start the next one.
    device().reachEnd();
    sounds().Stop();
    tick(3);
    EXPECT_EQ(opened().size(), 3);
}

TEST_F(FakeSoundsTest, TheRefreshMovesTheBarAndOnlyTheUsersMovesSeek) {
    sounds().ListBox1->setItems({QStringLiteral("/a.wav")});
    devices.media[QStringLiteral("/a.wav")].length = 60000;
    sounds().show();
    sounds().ListBox1->setItemIndex(0);
    sounds().ListBox1Click();  // select and open
    sounds().playsoundClick();
    for (const int at : {1000, 7000, 30000}) {
        device().positionValue = at;
        tick();
        EXPECT_EQ(sounds().position->value(), at);
    }
    EXPECT_TRUE(device().calls.filter(QStringLiteral("seek")).isEmpty());

    // An arrow moves a second, a page step five; each seeks to where the bar went.
    QStringList barPositions;
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_PageDown}) {
        QTest::keyClick(sounds().position, key);
        barPositions << QStringLiteral("seek %1").arg(sounds().position->value());
    }
    EXPECT_EQ(device().calls.filter(QStringLiteral("seek")), barPositions);
    EXPECT_EQ(barPositions.size(), 2);
    EXPECT_NE(barPositions.first(), QStringLiteral("seek 30000"));
    EXPECT_EQ(device().mode(), MciMode::Playing);
}

TEST_F(FakeSoundsTest, SoundsThatDoNotOpenAreSkippedWithOneBoxAndTheContinuationWaitsForIt) {
    const QString good = QStringLiteral("/good.wav");
    const QString gone = QStringLiteral("/gone.wav");
    const QString noise = QStringLiteral("/noise.wav");
    devices.openErrors.emplace(gone, EMciError::fileNotFound(gone));
    devices.openErrors.emplace(noise, EMciError::notMediaFile(noise));
    sounds().ListBox1->setItems({gone, good, noise});
    int opensWhileTheBoxShows = -1;
    fakeDialogs().whileMessageShown = [&] {
        const qsizetype before = opened().size();
        tick(5);
        opensWhileTheBoxShows = int(opened().size() - before);
    };

    sounds().Start();
    EXPECT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(opensWhileTheBoxShows, 0);
    tick();  // one entry a tick
    EXPECT_EQ(opened(), QStringList({"open " + gone, "open " + good}));
    EXPECT_EQ(device().mode(), MciMode::Playing);
    for (int round = 0; round < 2; ++round) {
        device().reachEnd();
        tick(3);  // the two that fail, then the good one again
    }
    EXPECT_EQ(opened().size(), 8);
    EXPECT_EQ(device().fileName(), good);
    EXPECT_EQ(fakeDialogs().messages.size(), 1u);            // once per Start
    EXPECT_TRUE(sounds().ListBox1->Items().contains(gone));  // the list is unchanged

    // A list of which no entry opens goes round once and stops.
    sounds().ListBox1->setItems({gone, noise});
    sounds().Start();
    tick(5);
    EXPECT_EQ(opened().size(), 10);
    EXPECT_FALSE(sounds().continuing());
    EXPECT_EQ(fakeDialogs().messages.size(), 2u);
}

TEST_F(FakeSoundsTest, ASoundOfNoLengthHasEndedAndTheListMovesOneEntryATick) {
    for (const char* name : {"/a.wav", "/b.wav", "/c.wav"})
        devices.media[QString::fromLatin1(name)].length = 0;
    sounds().ListBox1->setItems({"/a.wav", "/b.wav", "/c.wav"});
    sounds().Start();
    tick();
    EXPECT_EQ(opened().size(), 2);
    tick();
    EXPECT_EQ(opened().size(), 3);
    // Nothing in the list sounds: no endless round of opens.
    tick(5);
    EXPECT_EQ(opened().size(), 3);
    EXPECT_FALSE(sounds().continuing());
}

TEST_F(FakeSoundsTest, ABoxOfTheSoundsSitsOnTheShowAndDoesNotRestartThem) {
    const QString gone = QStringLiteral("/gone.wav");
    devices.openErrors.emplace(gone, EMciError::fileNotFound(gone));
    sounds().ListBox1->setItems({gone, QStringLiteral("/good.wav")});
    int starts = 0;
    player().startSounds = [&] {
        ++starts;
        sounds().Start();
    };
    // The box takes the focus from the show and gives it back as a real one would.
    fakeDialogs().whileMessageShown = [] {
        QWidget* show = QApplication::activeModalWidget();
        QDialog box(show);
        box.show();
        box.activateWindow();
        QTest::qWait(20);
        box.hide();
        show->activateWindow();
        QTest::qWait(20);
    };
    QWidget* boxParent = nullptr;
    int startsAfterTheSoundsBox = -1;
    const QStringList slides{slide("red.bmp", Qt::red), slide("blue.bmp", Qt::blue)};
    QTimer::singleShot(100, &player(), [&] {
        ASSERT_FALSE(fakeDialogs().messages.empty());
        boxParent = fakeDialogs().messages.front().parent;
        startsAfterTheSoundsBox = starts;
        // The show's own box ("You are at the beginning!") gives it activation back.
        QTest::keyClick(&player(), Qt::Key_F6);
        QTest::keyClick(&player(), Qt::Key_F4);
    });
    player().Start(&slides);
    player().startSounds = [] { sounds().Start(); };

    EXPECT_EQ(boxParent, &player());
    EXPECT_EQ(startsAfterTheSoundsBox, 1);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList({EMciError::fileNotFound(gone).message(),
                           QStringLiteral("You are at the beginning!"),
                           EMciError::fileNotFound(gone).message()}));
}

TEST_F(FakeSoundsTest, OkClosesAndThenStopsTheSound) {
    sounds().ListBox1->setItems({QStringLiteral("/a.wav")});
    sounds().show();
    sounds().ListBox1->setItemIndex(0);
    sounds().ListBox1DblClick();  // nothing open yet: nothing to play
    sounds().ListBox1Click();
    sounds().ListBox1DblClick();
    EXPECT_EQ(device().mode(), MciMode::Playing);
    sounds().BitBtn1->click();
    EXPECT_FALSE(sounds().isVisible());
    EXPECT_EQ(device().mode(), MciMode::Stopped);
    EXPECT_EQ(device().calls, QStringList({"open /a.wav", "play", "stop"}));
}

TEST_F(SoundsTest, ThreeSoundsSaveAsThreeCrLfLinesAndReadBackWithoutHistory) {
    const QStringList list{QStringLiteral("/music/one.wav"), QStringLiteral("/music/two two.mid"),
                           QStringLiteral("/music/one.wav")};
    sounds().ListBox1->setItems(list);
    const QStringList historyBefore = historyActions();
    const QString file = folder.filePath(QStringLiteral("list.ssl"));
    fakeDialogs().fileAnswers = {file, file};
    sounds().save->click();
    EXPECT_EQ(test::readFile(file),
              QByteArray("/music/one.wav\r\n/music/two two.mid\r\n/music/one.wav\r\n"));
    sounds().ListBox1->clear();
    sounds().open->click();
    EXPECT_EQ(sounds().ListBox1->Items(), list);
    ASSERT_EQ(fakeDialogs().fileRequests.size(), 2u);
    for (const FileDialogOptions& request : fakeDialogs().fileRequests) {
        EXPECT_EQ(request.filter, QStringLiteral("Slideshow Sounds|*.ssl"));
        EXPECT_EQ(request.defaultExt, QStringLiteral(".ssl"));
    }
    EXPECT_EQ(historyActions(), historyBefore);

    // A list file that cannot be read leaves the list as it was.
    fakeDialogs().fileAnswers = {folder.filePath(QStringLiteral("missing.ssl"))};
    sounds().open->click();
    EXPECT_EQ(sounds().ListBox1->Items(), list);
    EXPECT_EQ(fakeDialogs().messageTexts().size(), 1);
}

TEST_F(FakeSoundsTest, TheListEditsFollowTheSelectedSound) {
    sounds().ListBox1->setItems({"/a.wav", "/b.wav", "/c.wav"});
    sounds().show();
    TListBox& list = *sounds().ListBox1;
    sounds().Timer1Timer();
    EXPECT_FALSE(sounds().remove->isEnabled());
    EXPECT_FALSE(sounds().playsound->isEnabled());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(2)).center());
    EXPECT_EQ(sounds().Edit1->text(), QStringLiteral("/c.wav"));
    sounds().Timer1Timer();
    EXPECT_TRUE(sounds().moveup->isEnabled());
    EXPECT_FALSE(sounds().movedown->isEnabled());
    sounds().moveup->click();
    sounds().moveup->click();
    EXPECT_EQ(list.Items(), QStringList({"/c.wav", "/a.wav", "/b.wav"}));
    EXPECT_EQ(list.ItemIndex(), 0);  // the selection follows
    sounds().moveup->click();        // on the first: unchanged
    EXPECT_EQ(list.Items(), QStringList({"/c.wav", "/a.wav", "/b.wav"}));
    sounds().remove->click();
    EXPECT_EQ(list.Items(), QStringList({"/a.wav", "/b.wav"}));
    EXPECT_TRUE(sounds().Edit1->text().isEmpty());
    sounds().Timer1Timer();
    EXPECT_FALSE(sounds().remove->isEnabled());
}

TEST_F(SoundsTest, TheStoredListIsReadAtStartWithoutTheWindowAndWrittenAtExit) {
    sounds().ListBox1->setItems({"/a.wav", "/b.mid"});
    destroyForms();
    createForms({});
    EXPECT_EQ(sounds().ListBox1->Items(), QStringList({"/a.wav", "/b.mid"}));
    EXPECT_TRUE(sounds().enablesound->isChecked());
    EXPECT_FALSE(sounds().isVisible());
    EXPECT_TRUE(sounds().Timer1->isActive());
}

}  // namespace
}  // namespace lumora

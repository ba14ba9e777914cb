// Media-control devices on real files made at test time: the commands the
// players use, the status their timers poll, the exact end of a medium, the
// shared output and the errors of a failed open.

#include "platform/mci.h"
#include "platform/audio_out.h"
#include "platform/mci_backend/backend.h"
#include "support/fake_mci.h"
#include "support/media_files.h"
#include "support/midi_writer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include <sys/stat.h>

namespace lumora {
namespace {

using namespace test;

bool settled(const MciDevice& d) {
    return waitFor([&] { return d.mode() != MciMode::Seeking; });
}

bool playedOut(const MciDevice& d) {
    return waitFor([&] { return d.mode() != MciMode::Playing; });
}

EMciError::Cause openError(MciDevice& d, const QString& path) {
    try {
        d.open(path);
    } catch (const EMciError& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.what();
        return e.cause();
    }
    ADD_FAILURE() << "opened " << path.toStdString();
    return EMciError::Cause::NoDevice;
}

QString songMid() {
    return writeFile(QStringLiteral("song.mid"), oneSecondSong());
}

// What window code relies on, for the real device and for the fake that the
// window tests use in its place: both must answer alike.
class DeviceContract : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fake_.media[toneWav()] = {1000, false};
        fake_.openErrors.emplace(missing_, EMciError::fileNotFound(missing_));
        device_ = GetParam() ? fake_.createDevice() : mci().createDevice();
    }

    FakeMci fake_;
    const QString missing_ = mediaFolder() + QStringLiteral("/missing.wav");
    std::unique_ptr<MciDevice> device_;
};

TEST_P(DeviceContract, WithoutAFileStatusIsNotReadyAndCommandsRaise) {
    MciDevice& d = *device_;
    EXPECT_EQ(d.mode(), MciMode::NotReady);
    EXPECT_EQ(d.position(), 0);
    EXPECT_EQ(d.length(), 0);
    EXPECT_EQ(d.trackLength(1), 0);
    EXPECT_FALSE(d.isOpen());
    const std::function<void()> commands[] = {[&] { d.play(); }, [&] { d.pause(); },
                                              [&] { d.stop(); }, [&] { d.seek(10); },
                                              [&] { d.rewind(); }};
    for (const auto& command : commands) {
        try {
            command();
            ADD_FAILURE() << "no exception";
        } catch (const EMciError& e) {
            EXPECT_EQ(e.cause(), EMciError::Cause::NoDevice);
            EXPECT_STREQ(e.what(), "No MCI device open");
        }
    }
}

TEST_P(DeviceContract, SeekStopRewindAndPlayAtTheEnd) {
    MciDevice& d = *device_;
    d.open(toneWav());
    EXPECT_EQ(d.mode(), MciMode::Stopped);
    EXPECT_EQ(d.position(), 0);
    EXPECT_EQ(d.length(), 1000);
    EXPECT_EQ(d.trackLength(1), 1000);
    EXPECT_EQ(d.trackLength(2), 0);

    d.pause();  // neither playing nor paused: nothing happens
    EXPECT_EQ(d.mode(), MciMode::Stopped);

    d.seek(400);
    EXPECT_EQ(d.position(), 400);
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(d.mode(), MciMode::Stopped);
    EXPECT_TRUE(d.lastError().isEmpty());

    d.seek(5000);
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(d.position(), 1000);
    EXPECT_FALSE(d.lastError().isEmpty());

    d.play();  // at the end: from the start again
    EXPECT_EQ(d.mode(), MciMode::Playing);
    EXPECT_LT(d.position(), 1000);
    d.stop();
    EXPECT_EQ(d.mode(), MciMode::Stopped);

    d.rewind();
    EXPECT_EQ(d.mode(), MciMode::Stopped);
    EXPECT_EQ(d.position(), 0);
}

TEST_P(DeviceContract, AFailedOpenLeavesNoDevice) {
    MciDevice& d = *device_;
    d.open(toneWav());
    EXPECT_THROW(d.open(missing_), EMciError);
    EXPECT_FALSE(d.isOpen());
    EXPECT_EQ(d.mode(), MciMode::NotReady);
    EXPECT_TRUE(d.fileName().isEmpty());
    EXPECT_THROW(d.play(), EMciError);
}

INSTANTIATE_TEST_SUITE_P(RealAndFake, DeviceContract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Fake" : "Real"; });

TEST(MciDevice, EveryKindPlaysToExactlyItsLengthAndPlaysAgain) {
    struct Case {
        QString path;
        int length;
        int slack;
    };
    const Case cases[] = {{toneWav(), 1000, 0},        {toneMp2(), 2000, 60},
                          {redBlueMpeg(), 2000, 120},  {silentMpeg(), 1000, 120},
                          {rawMpegVideo(), 1000, 120}, {songMid(), 1000, 0}};
    auto d = mci().createDevice();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        d->open(c.path);
        d->play();
        ASSERT_TRUE(playedOut(*d));
        EXPECT_EQ(d->mode(), MciMode::Stopped);
        EXPECT_EQ(d->position(), d->length());
        EXPECT_NEAR(d->length(), c.length, c.slack);
        EXPECT_EQ(d->trackLength(1), d->position());

        d->play();
        EXPECT_EQ(d->mode(), MciMode::Playing);
        EXPECT_LT(d->position(), d->length());
        ASSERT_TRUE(waitFor([&] { return d->position() > 0; }));
        d->stop();
    }
}

TEST(MciDevice, PauseTwiceResumesAndStopKeepsThePosition) {
    auto d = mci().createDevice();
    d->open(toneMp2());
    d->play();
    ASSERT_TRUE(waitFor([&] { return d->position() > 100; }));

    d->pause();
    EXPECT_EQ(d->mode(), MciMode::Paused);
    const int paused = d->position();
    QThread::msleep(100);
    EXPECT_EQ(d->position(), paused);
    d->pause();
    EXPECT_EQ(d->mode(), MciMode::Playing);
    ASSERT_TRUE(waitFor([&] { return d->position() > paused; }));

    d->stop();
    EXPECT_EQ(d->mode(), MciMode::Stopped);
    const int stopped = d->position();
    QThread::msleep(100);
    EXPECT_EQ(d->position(), stopped);
    d->pause();  // stopped: nothing to resume
    EXPECT_EQ(d->mode(), MciMode::Stopped);

    d->play();  // on from where it stood
    EXPECT_GE(d->position(), stopped);
    ASSERT_TRUE(waitFor([&] { return d->position() > stopped; }));
}

TEST(MciDevice, ScrollWhilePausedPlaysOnFromTheNewPosition) {
    // The players' scroll bars: pause/resume, seek, play.
    auto d = mci().createDevice();
    d->open(toneMp2());
    d->play();
    d->pause();
    d->pause();
    d->seek(1500);
    d->play();
    EXPECT_EQ(d->mode(), MciMode::Playing);
    EXPECT_GE(d->position(), 1500);
    // The bars send the next seek once this one is done.
    EXPECT_TRUE(waitFor([&] { return !d->seeking(); }));
    ASSERT_TRUE(playedOut(*d));
    EXPECT_EQ(d->position(), d->length());
}

TEST(MciDevice, OpeningAnotherFileClosesThePreviousOne) {
    auto d = mci().createDevice();
    d->open(toneWav());
    d->play();
    EXPECT_EQ(AudioOut::instance().sourceCount(), 1);
    d->open(toneMp2());
    EXPECT_EQ(AudioOut::instance().sourceCount(), 0);
    EXPECT_EQ(d->fileName(), toneMp2());
    EXPECT_EQ(d->mode(), MciMode::Stopped);
    EXPECT_EQ(d->position(), 0);
}

TEST(MciDevice, TwoPlayersShareTheOneOutput) {
    AudioOut& out = AudioOut::instance();
    ASSERT_TRUE(waitFor([&] { return !out.isOpen(); }));
    const int before = out.openings();
    auto sound = mci().createDevice();
    auto video = mci().createDevice();
    sound->open(toneWav());
    video->open(redBlueMpeg());
    sound->play();
    video->play();
    EXPECT_EQ(out.sourceCount(), 2);
    EXPECT_EQ(out.openings(), before + 1);
    EXPECT_EQ(out.driver(), QStringLiteral("dummy"));
    ASSERT_TRUE(playedOut(*sound));
    EXPECT_EQ(video->mode(), MciMode::Playing);  // the longer one plays on
    ASSERT_TRUE(playedOut(*video));
    EXPECT_EQ(out.openings(), before + 1);
    // Closed once nothing plays.
    EXPECT_TRUE(waitFor([&] { return !out.isOpen(); }));
}

bool near(QRgb pixel, QColor expected) {
    return std::abs(qRed(pixel) - expected.red()) < 40 &&
           std::abs(qGreen(pixel) - expected.green()) < 40 &&
           std::abs(qBlue(pixel) - expected.blue()) < 40;
}

TEST(MciVideo, FramesAreDrawnIntoTheDisplayBelowItsChildren) {
    QWidget panel;
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(Qt::black));
    panel.resize(320, 240);
    QWidget buttons(&panel);  // the row of buttons at the panel's foot
    buttons.setAutoFillBackground(true);
    buttons.setPalette(QPalette(Qt::white));
    buttons.setGeometry(0, 200, 320, 40);
    panel.show();
    const auto centre = [&] { return panel.grab().toImage().pixel(160, 120); };

    auto d = mci().createDevice();
    d->setDisplay(&panel);
    d->open(redBlueMpeg());
    EXPECT_TRUE(d->hasVideo());
    // The first picture shows before playing.
    ASSERT_TRUE(waitFor([&] { return d->framesDrawn() >= 1; }));
    EXPECT_TRUE(near(centre(), Qt::red));
    const QImage shot = panel.grab().toImage();
    EXPECT_TRUE(near(shot.pixel(10, 10), Qt::black));  // drawn at its size, centred
    EXPECT_TRUE(near(shot.pixel(160, 220), Qt::white));

    d->seek(1500);
    ASSERT_TRUE(waitFor([&] { return near(centre(), Qt::blue); }));

    d->rewind();
    const int before = d->framesDrawn();
    d->play();
    ASSERT_TRUE(playedOut(*d));
    EXPECT_GT(d->framesDrawn(), before + 1);
    EXPECT_TRUE(near(centre(), Qt::blue));

    d->close();
    EXPECT_TRUE(near(centre(), Qt::black));
}

TEST(MciVideo, ADisplayGivenAfterOpenShowsThePictureAtThePosition) {
    auto d = mci().createDevice();
    d->open(redBlueMpeg());
    d->seek(1500);
    ASSERT_TRUE(settled(*d));
    // Give the decoder time to run ahead with nowhere to draw.
    QThread::msleep(300);
    QWidget panel;
    panel.resize(320, 240);
    panel.show();
    d->setDisplay(&panel);
    ASSERT_TRUE(waitFor([&] { return d->framesDrawn() >= 1; }));
    EXPECT_TRUE(near(panel.grab().toImage().pixel(160, 120), Qt::blue));
    EXPECT_EQ(d->position(), 1500);
    EXPECT_EQ(d->mode(), MciMode::Stopped);
}

TEST(MciVideo, ADisplayMayGoAwayWhilePlaying) {
    auto d = mci().createDevice();
    auto* panel = new QWidget;
    panel->resize(200, 150);
    panel->show();
    d->setDisplay(panel);
    d->open(redBlueMpeg());
    d->play();
    ASSERT_TRUE(waitFor([&] { return d->framesDrawn() >= 2; }));
    delete panel;
    ASSERT_TRUE(playedOut(*d));
    EXPECT_EQ(d->position(), d->length());
}

TEST(MciVideo, WithoutADisplayAVideoFileJustSounds) {
    auto d = mci().createDevice();
    d->open(redBlueMpeg());
    d->play();
    ASSERT_TRUE(playedOut(*d));
    EXPECT_EQ(d->position(), d->length());
    EXPECT_EQ(d->framesDrawn(), 0);
}

// A WAV header with the given format tag and otherwise sane fields.
QByteArray wavWithFormatTag(uint16_t tag) {
    QByteArray data(4000, '\0');
    QByteArray fmt;
    const auto le16 = [](uint16_t v) { return QByteArray(1, char(v)) + char(v >> 8); };
    const auto le32 = [&](uint32_t v) { return le16(uint16_t(v)) + le16(uint16_t(v >> 16)); };
    fmt += le16(tag) + le16(1) + le32(8000) + le32(16000) + le16(2) + le16(16);
    QByteArray body = "WAVE" + ("fmt " + le32(uint32_t(fmt.size())) + fmt) +
                      ("data" + le32(uint32_t(data.size())) + data);
    return "RIFF" + le32(uint32_t(body.size())) + body;
}

TEST(MciErrors, EachCauseHasItsOwnErrorAndLeavesNoDevice) {
    using Cause = EMciError::Cause;
    auto d = mci().createDevice();
    const QString folder = mediaFolder();
    const QString pipe = folder + QStringLiteral("/pipe.wav");
    QFile::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const QString png = ffmpegFile(QStringLiteral("still.png"),
                                   {"-f", "lavfi", "-i", "color=c=red:s=16x16", "-frames:v", "1"});
    // Formats that would open other files: refused, nothing else is read.
    const QString concat = writeFile(QStringLiteral("list.mp3"),
                                     "ffconcat version 1.0\nfile '" + toneWav().toUtf8() + "'\n");
    const QString playlist =
        writeFile(QStringLiteral("list.mpg"), "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" +
                                                  toneWav().toUtf8() + "\n#EXT-X-ENDLIST\n");

    EXPECT_EQ(openError(*d, folder + QStringLiteral("/missing.wav")), Cause::FileNotFound);
    EXPECT_EQ(openError(*d, folder), Cause::NotMediaFile);
    EXPECT_EQ(openError(*d, writeFile(QStringLiteral("empty.wav"), {})), Cause::NotMediaFile);
    EXPECT_EQ(openError(*d, writeFile(QStringLiteral("notes.wav"), "Shopping: bread, milk\n")),
              Cause::NotMediaFile);
    EXPECT_EQ(openError(*d, pipe), Cause::NotMediaFile);
    EXPECT_EQ(openError(*d, png), Cause::UnsupportedFormat);
    EXPECT_EQ(openError(*d, concat), Cause::UnsupportedFormat);
    EXPECT_EQ(openError(*d, playlist), Cause::UnsupportedFormat);
    EXPECT_EQ(openError(*d, writeFile(QStringLiteral("odd.wav"), wavWithFormatTag(0x7A7A))),
              Cause::UnsupportedFormat);

    const QString font = midiSoundFont();
    setMidiSoundFont(folder + QStringLiteral("/no-such-font.sf2"));
    EXPECT_EQ(openError(*d, songMid()), Cause::NoSoundFont);
    setMidiSoundFont(font);
    EXPECT_NO_THROW(d->open(songMid()));
    EXPECT_EQ(d->length(), 1000);
    d->close();

    EXPECT_EQ(d->mode(), MciMode::NotReady);
    EXPECT_FALSE(d->isOpen());
    EXPECT_EQ(AudioOut::instance().sourceCount(), 0);
}

// Systems install General MIDI fonts under other names and folders: the
// first one found plays, and without any the error names where it looked.
TEST(MciErrors, MidiPlaysWithTheFirstSoundFontFoundOrNamesTheFoldersLookedIn) {
    const QString font = midiSoundFont();
    const QStringList folders = midiSoundFontFolders();
    test::ScratchDir none, fluid;
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
                            fluid.filePath(QStringLiteral("FluidR3_GM.sf2"))));
    QFile damaged(none.filePath(QStringLiteral("default-GM.sf2")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("RIFF, but no sound font");
    damaged.close();
    auto d = mci().createDevice();

    setMidiSoundFont({}, {none.path(), fluid.path()});
    EXPECT_NO_THROW(d->open(songMid()));
    EXPECT_EQ(d->length(), 1000);
    d->close();

    test::ScratchDir alsoNone;
    setMidiSoundFont({}, {none.path(), alsoNone.path()});
    try {
        d->open(songMid());
        ADD_FAILURE() << "the open succeeded";
    } catch (const EMciError& error) {
        EXPECT_EQ(error.cause(), EMciError::Cause::NoSoundFont);
        EXPECT_EQ(error.message(),
                  QStringLiteral("No MIDI sound font to play %1: none of default-GM.sf2, "
                                 "TimGM6mb.sf2, FluidR3_GM.sf2 in %2/ or %3/")
                      .arg(songMid(), none.path(), alsoNone.path()));
    }
    EXPECT_FALSE(d->isOpen());
    setMidiSoundFont(font, folders);
}

// The program loads the back end from beside itself; no such module lies
// beside this test, so an open says why it cannot play and keeps no device.
TEST(MciErrors, WithoutTheMediaModuleAnOpenSaysMediaIsNotAvailable) {
    auto d = mci().createDevice();
    mci_internal::setMediaBackend(nullptr);
    try {
        d->open(toneWav());
        ADD_FAILURE() << "the open succeeded";
    } catch (const EMciError& error) {
        EXPECT_EQ(error.cause(), EMciError::Cause::NoMediaSupport);
        EXPECT_TRUE(error.message().startsWith(
            QStringLiteral("Media playback is not available for ") + toneWav() + u':'))
            << error.message().toStdString();
        EXPECT_TRUE(error.message().contains(QStringLiteral("liblumora-media.so")));
    }
    useLinkedMediaBackend();
    EXPECT_FALSE(d->isOpen());
    EXPECT_NO_THROW(d->open(toneWav()));
}

}  // namespace
}  // namespace lumora

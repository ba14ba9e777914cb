// Damaged and lying media: each either fails to open with our error or plays
// a short while and ends exactly at its length. None may crash or hang.

#include "platform/mci.h"
#include "support/media_files.h"
#include "support/midi_writer.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace lumora {
namespace {

using namespace test;

// False when the file opened but did not come to its end.
bool failsOrPlaysOut(const QString& name, const QByteArray& bytes) {
    SCOPED_TRACE(name.toStdString());
    auto d = mci().createDevice();
    try {
        d->open(writeFile(name, bytes));
    } catch (const EMciError&) {
        return true;
    }
    d->play();
    if (!waitFor([&] { return d->mode() != MciMode::Playing; }))
        return false;
    EXPECT_EQ(d->mode(), MciMode::Stopped);
    EXPECT_EQ(d->position(), d->length());
    return true;
}

TEST(HostileMedia, WavesThatLieOrBreakOff) {
    const QByteArray wav = readFile(toneWav());
    const qsizetype fmt = wav.indexOf("fmt ");
    const qsizetype data = wav.indexOf("data");
    ASSERT_GT(fmt, 0);
    ASSERT_GT(data, fmt);

    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("head.wav"), wav.left(30)));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("cut.wav"), wav.left(data + 2000)));

    QByteArray sizes = wav;
    setLe32(sizes, 4, 0xFFFFFFFF);
    setLe32(sizes, data + 4, 0xFFFFFFF0);
    // Sizes that claim hours: the second there is plays, then the end.
    auto d = mci().createDevice();
    d->open(writeFile(QStringLiteral("sizes.wav"), sizes));
    d->play();
    ASSERT_TRUE(waitFor([&] { return d->mode() != MciMode::Playing; }));
    EXPECT_EQ(d->position(), d->length());

    struct Field {
        const char* name;
        qsizetype offset;  // from the fmt chunk
        int bytes;
        uint32_t value;
    };
    const Field fields[] = {{"fmtsize", 4, 4, 0x7FFFFFF0}, {"channels0", 10, 2, 0},
                            {"channels", 10, 2, 0xFFFF},   {"rate0", 12, 4, 0},
                            {"rate", 12, 4, 0xFFFFFFFF},   {"align0", 20, 2, 0},
                            {"bits0", 22, 2, 0},           {"bits", 22, 2, 0xFFFF}};
    for (const Field& f : fields) {
        QByteArray bad = wav;
        if (f.bytes == 4)
            setLe32(bad, fmt + f.offset, f.value);
        else
            setLe16(bad, fmt + f.offset, uint16_t(f.value));
        EXPECT_TRUE(failsOrPlaysOut(QString::fromLatin1(f.name) + QStringLiteral(".wav"), bad));
    }
}

TEST(HostileMedia, MpegCutDamagedOrRandom) {
    const QByteArray mpeg = readFile(redBlueMpeg());
    const QByteArray mp2 = readFile(toneMp2());
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("half.mpg"), mpeg.left(mpeg.size() / 2)));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("start.mpg"), mpeg.left(3000)));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("start.mp2"), mp2.left(1000)));

    QRandomGenerator random(1234);
    QByteArray noise(64 * 1024, '\0');
    for (char& c : noise)
        c = char(random.bounded(256));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("noise.mpg"), noise));
    QByteArray damaged = mpeg;
    damaged.replace(damaged.size() / 3, noise.size() / 8, noise.left(noise.size() / 8));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("damaged.mpg"), damaged));
    QByteArray damagedMp2 = mp2;
    damagedMp2.replace(2000, 4000, noise.left(4000));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("damaged.mp2"), damagedMp2));
}

TEST(HostileMedia, MidiThatLiesOrBreaksOff) {
    QByteArray longer = oneSecondSong();
    longer.replace(18, 4, MidiWriter::be32(0xFFFFFFFF));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("longer.mid"), longer));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("cut.mid"), oneSecondSong().chopped(5)));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("header.mid"), oneSecondSong().left(14)));
    EXPECT_TRUE(
        failsOrPlaysOut(QStringLiteral("tempo0.mid"),
                        MidiWriter(0, 480).track().tempo(0, 0).note(0, 0, 60, 480).end().bytes()));
    EXPECT_TRUE(failsOrPlaysOut(QStringLiteral("magic.mid"), "MThd"));
    EXPECT_TRUE(
        failsOrPlaysOut(QStringLiteral("rmid.mid"),
                        QByteArray("RIFF\xff\xff\xff\x7fRMIDdata\xff\xff\xff\x7fMThd", 24)));
}

}  // namespace
}  // namespace lumora

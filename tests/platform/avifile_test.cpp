// The AVI reader against files made by ffmpeg: every codec a video of the
// time may carry, frames asked in any order, sound read from any sample, and
// files that are damaged, lie or are not AVI files at all.

#include "platform/avifile.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <sys/stat.h>

namespace lumora {
namespace {

using namespace test;

// Frame n as the ffmpeg program decodes it, in RGB: the last picture due by
// then (an empty chunk repeats the frame before it).
QImage ffmpegFrame(const QString& path, int n, QSize size) {
    QByteArray rgb;
    runTool(QStringLiteral("ffmpeg"),
            {"-nostdin", "-loglevel", "error", "-i", path, "-map", "0:v", "-vf",
             QStringLiteral("select=lte(pts\\,%1)").arg(n), "-fps_mode", "passthrough", "-f",
             "rawvideo", "-pix_fmt", "rgb24", "-"},
            &rgb);
    const qsizetype frameBytes = size.width() * size.height() * 3;
    if (rgb.size() < frameBytes)
        return {};
    return QImage(reinterpret_cast<const uchar*>(rgb.constData() + rgb.size() - frameBytes),
                  size.width(), size.height(), size.width() * 3, QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

// The mean difference of the colour channels, 0 .. 255.
double meanDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

int redOf(const QImage& frame) {
    return frame.isNull() ? -1 : qRed(frame.pixel(frame.width() / 2, frame.height() / 2));
}

struct Codec {
    const char* name;
    int fps;
    QStringList video;
    QStringList audio;
    int channels;
    int rate;
};

TEST(AviFile, EveryCodecGivesItsFramesAndSound) {
    const Codec codecs[] = {
        {"mjpeg.avi",
         25,
         {"-c:v", "mjpeg", "-q:v", "3"},
         {"-c:a", "pcm_s16le", "-ar", "22050"},
         1,
         22050},
        {"mpeg4.avi",
         15,
         {"-c:v", "mpeg4", "-g", "10"},
         {"-c:a", "libmp3lame", "-ac", "2"},
         2,
         44100},
        {"cinepak.avi",
         15,
         {"-c:v", "cinepak"},
         {"-c:a", "adpcm_ima_wav", "-ar", "22050"},
         1,
         22050},
        {"msvideo1.avi", 25, {"-c:v", "msvideo1"}, {"-c:a", "pcm_u8", "-ar", "11025"}, 1, 11025},
        {"raw24.avi", 25, {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, {}, 0, 0},
        {"raw8.avi", 15, {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, {}, 0, 0},
    };
    for (const Codec& c : codecs) {
        SCOPED_TRACE(c.name);
        const QString path = aviFile(QString::fromLatin1(c.name), c.fps, c.video, c.audio);
        const std::unique_ptr<AviFile> file = openAviFile(path);
        ASSERT_TRUE(file);
        AviVideoStream* video = file->videoStream();
        ASSERT_TRUE(video);
        const AviStreamInfo info = video->info();
        EXPECT_EQ(int64_t(info.rate), int64_t(info.scale) * c.fps);
        EXPECT_GE(info.length, c.fps);
        EXPECT_LE(info.length, c.fps + 1);
        EXPECT_EQ(info.frameSize, QSize(160, 120));
        // Forward, then back to the start: each the picture ffmpeg decodes.
        for (int n : {0, c.fps / 2, c.fps - 1, 1}) {
            const QImage frame = video->frame(n);
            EXPECT_LT(meanDifference(frame, ffmpegFrame(path, n, {160, 120})), 2.0) << n;
        }

        AviAudioStream* audio = file->audioStream();
        ASSERT_EQ(audio != nullptr, c.channels > 0);
        if (!audio)
            continue;
        const WaveFormat format = audio->format();
        EXPECT_EQ(format.channels, c.channels);
        EXPECT_EQ(format.samplesPerSec, c.rate);
        EXPECT_EQ(format.bitsPerSample, 16);
        const AviStreamInfo sound = audio->info();
        EXPECT_EQ(sound.sampleSize, 2 * c.channels);
        EXPECT_NEAR(double(sound.length), c.rate, c.rate * 0.06);
        std::vector<int16_t> samples(size_t(sound.length) * size_t(c.channels));
        const int64_t read = audio->read(0, sound.length, reinterpret_cast<char*>(samples.data()));
        EXPECT_GT(read, sound.length * 9 / 10);
        int peak = 0;
        for (int16_t s : samples)
            peak = std::max(peak, std::abs(int(s)));
        // ffmpeg's tone is an eighth of full scale.
        EXPECT_GT(peak, 2500);
        EXPECT_LT(peak, 6000);
    }
}

TEST(AviFile, FramesComeInAnyOrder) {
    const std::unique_ptr<AviFile> numbered = openAviFile(numberedAvi("numbered.avi", 50));
    ASSERT_TRUE(numbered && numbered->videoStream());
    AviVideoStream& video = *numbered->videoStream();
    EXPECT_EQ(video.info().length, 50);
    // Forward, back, far ahead, past the end (the last frame stands), back to the start.
    for (const auto& [n, red] : std::vector<std::pair<int, int>>{
             {10, 40}, {3, 12}, {45, 180}, {46, 184}, {80, 196}, {0, 0}})
        EXPECT_EQ(redOf(video.frame(n)), red) << n;

    // Inter frames reached by a jump to a key frame are those decoded in order.
    const QString path = aviFile(QStringLiteral("mpeg4.avi"), 15, {"-c:v", "mpeg4", "-g", "10"},
                                 {"-c:a", "libmp3lame", "-ac", "2"});
    const std::unique_ptr<AviFile> inOrder = openAviFile(path);
    const std::unique_ptr<AviFile> jumping = openAviFile(path);
    ASSERT_TRUE(inOrder && jumping);
    std::vector<QImage> frames;
    for (int n = 0; n < 15; ++n)
        frames.push_back(inOrder->videoStream()->frame(n));
    for (int n : {3, 13, 12, 2, 14})
        EXPECT_EQ(jumping->videoStream()->frame(n), frames[size_t(n)]) << n;
}

TEST(AviFile, SoundReadsFromAnySampleAndTimesConvert) {
    const QString path = aviFile(QStringLiteral("mjpeg.avi"), 25, {"-c:v", "mjpeg", "-q:v", "3"},
                                 {"-c:a", "pcm_s16le", "-ar", "22050"});
    const std::unique_ptr<AviFile> whole = openAviFile(path);
    ASSERT_TRUE(whole && whole->audioStream());
    AviAudioStream& sound = *whole->audioStream();
    std::vector<int16_t> all(size_t(sound.info().length));
    for (int64_t at = 0; at < sound.info().length; at += 1000)
        ASSERT_GT(sound.read(at, std::min<int64_t>(1000, sound.info().length - at),
                             reinterpret_cast<char*>(all.data() + at)),
                  0);
    const std::unique_ptr<AviFile> parts = openAviFile(path);
    for (const auto& [first, count] :
         std::vector<std::pair<int64_t, int64_t>>{{5000, 3000}, {100, 10}, {20000, 50}}) {
        std::vector<int16_t> part(static_cast<size_t>(count));
        ASSERT_EQ(parts->audioStream()->read(first, count, reinterpret_cast<char*>(part.data())),
                  count);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin() + first)) << first;
    }

    EXPECT_EQ(sound.timeToSample(1000), 22050);
    EXPECT_EQ(sound.sampleToTime(11025), 500);
    const std::unique_ptr<AviFile> film = openAviFile(
        aviFile(QStringLiteral("cinepak.avi"), 15, {"-c:v", "cinepak"}, {"-c:a", "adpcm_ima_wav"}));
    ASSERT_TRUE(film && film->videoStream());
    EXPECT_EQ(film->videoStream()->sampleToTime(1), 67);
    EXPECT_EQ(film->videoStream()->sampleToTime(900), 60000);
    EXPECT_EQ(film->videoStream()->timeToSample(66), 1);
}

// Opens bytes under a name and reads what it can; false if that took long
// (a hang would not come back at all).
bool survives(const QString& name, const QByteArray& bytes) {
    SCOPED_TRACE(name.toStdString());
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<AviFile> file = openAviFile(writeFile(name, bytes));
    if (file && file->videoStream()) {
        AviVideoStream& video = *file->videoStream();
        const int64_t length = video.info().length;
        for (int64_t n : {int64_t(0), length / 2, length - 1, int64_t(1), length + 1000}) {
            const QImage frame = video.frame(n);
            EXPECT_LE(frame.width(), AviVideoStream::kMaxFrameSide);
            EXPECT_LE(frame.height(), AviVideoStream::kMaxFrameSide);
        }
    }
    if (file && file->audioStream()) {
        AviAudioStream& audio = *file->audioStream();
        std::vector<char> out(size_t(4096 * audio.info().sampleSize));
        audio.read(0, 4096, out.data());
        audio.read(audio.info().length / 2, 4096, out.data());
    }
    return clock.elapsed() < 10000;
}

TEST(AviFile, OtherFilesUnderTheNameOpenNothing) {
    const QStringList color{"-f", "lavfi", "-i", "color=c=red:s=64x48:r=25:d=0.5"};
    const QStringList others[] = {color + QStringList{"-c:v", "mpeg4", "-f", "mp4"},
                                  color + QStringList{"-c:v", "mpeg1video", "-f", "mpeg"}};
    int number = 0;
    for (const QStringList& other : others)
        EXPECT_FALSE(openAviFile(ffmpegFile(QStringLiteral("other%1.avi").arg(++number), other)));
    EXPECT_FALSE(openAviFile(writeFile(QStringLiteral("list.avi"),
                                       "#EXTM3U\nfile:///etc/passwd\nhttp://example.com/a.avi\n")));
    EXPECT_FALSE(openAviFile(writeFile(QStringLiteral("text.avi"), "Just some words.\n")));
    EXPECT_FALSE(openAviFile(writeFile(QStringLiteral("empty.avi"), {})));
    EXPECT_FALSE(openAviFile(mediaFolder() + QStringLiteral("/missing.avi")));
    const QString fifo = mediaFolder() + QStringLiteral("/clip.avi");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(openAviFile(fifo));  // at once: nothing waits for a writer
}

TEST(AviFile, DamagedAndLyingFilesGiveWhatDecodes) {
    const QByteArray avi =
        readFile(aviFile(QStringLiteral("mjpeg.avi"), 25, {"-c:v", "mjpeg", "-q:v", "3"},
                         {"-c:a", "pcm_s16le", "-ar", "22050"}));
    const qsizetype vids = aviStreamHeader(avi, "vids");
    const qsizetype index = avi.indexOf("idx1");
    ASSERT_GT(vids, 0);
    ASSERT_GT(index, 0);

    EXPECT_TRUE(survives(QStringLiteral("half.avi"), avi.left(avi.size() / 2)));
    EXPECT_TRUE(survives(QStringLiteral("head.avi"), avi.left(vids + 40)));
    QByteArray lyingIndex = avi;
    for (qsizetype at = index + 8; at + 16 <= lyingIndex.size(); at += 16)
        setLe32(lyingIndex, at + 8, 0x7FFFFFF0);  // every chunk far beyond the end
    EXPECT_TRUE(survives(QStringLiteral("index.avi"), lyingIndex));

    QByteArray rateZero = avi;
    setLe32(rateZero, vids + 24, 0);
    const std::unique_ptr<AviFile> noRate = openAviFile(writeFile("rate0.avi", rateZero));
    ASSERT_TRUE(noRate && noRate->videoStream());
    EXPECT_EQ(noRate->videoStream()->info().rate, 0u);  // as the file says, not FFmpeg's 25
    EXPECT_TRUE(noRate->videoStream()->frame(0).isNull());

    QByteArray billions = avi;
    setLe32(billions, vids + 32, 0xFFFFFFFF);
    const std::unique_ptr<AviFile> endless = openAviFile(writeFile("billions.avi", billions));
    ASSERT_TRUE(endless && endless->videoStream());
    EXPECT_EQ(endless->videoStream()->info().length, int64_t(0xFFFFFFFF));
    EXPECT_TRUE(survives(QStringLiteral("billions.avi"), billions));

    // A palette that claims more colours than it has, and one cut short.
    const QByteArray paletted =
        readFile(aviFile(QStringLiteral("raw8.avi"), 15, {"-c:v", "rawvideo", "-pix_fmt", "pal8"}));
    const qsizetype strf = paletted.indexOf("strf");
    ASSERT_GT(strf, 0);
    QByteArray colours = paletted;
    setLe32(colours, strf + 8 + 32, 0xFFFF);
    EXPECT_TRUE(survives(QStringLiteral("colours.avi"), colours));
    QByteArray shortPalette = paletted;
    setLe32(shortPalette, strf + 4, 40 + 16);
    EXPECT_TRUE(survives(QStringLiteral("palette.avi"), shortPalette));
}

}  // namespace
}  // namespace lumora

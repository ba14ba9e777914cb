// Media control: open to sound for a WAV and a MIDI song (read back from
// SDL's disk driver), the sound font's first load, open to first frame, CPU
// and audio/video sync of 640x480 MPEG-1 playback, and CPU while paused.
//
// Each group runs in a child process of its own: SDL picks its driver once
// per process, and the sound font's first load is only first once.

#include "bench_loop.h"
#include "bench_report.h"
#include "platform/audio_out.h"
#include "platform/mci.h"
#include "platform/mci_backend/backend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace lumora {
namespace {

using bench::cpuPercentFor;
using bench::waitUntil;

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 7;
constexpr int kFrameMs = 40;

double median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// --- sound group: SDL's disk driver, the output read back as it is written ---

// Ms from before open until the output file holds a sounding sample; -1 if none came.
double openToSound(MciDevice& device, const QString& path, const QString& output) {
    waitUntil([] { return !AudioOut::instance().isOpen(); });
    const auto start = Clock::now();
    device.open(path);
    device.play();
    QFile file(output);  // the driver has just made it afresh
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    double ms = -1;
    QByteArray pending;
    while (ms < 0 && bench::msSince(start) < 5000) {
        pending += file.readAll();
        const qsizetype whole =
            pending.size() / qsizetype(sizeof(float)) * qsizetype(sizeof(float));
        for (qsizetype at = 0; at < whole && ms < 0; at += sizeof(float)) {
            float sample;
            std::memcpy(&sample, pending.constData() + at, sizeof sample);
            if (std::fabs(sample) > 1e-3f)
                ms = bench::msSince(start);
        }
        pending.remove(0, whole);
        QThread::usleep(200);
    }
    device.close();
    return ms;
}

void soundGroup(const QString& folder) {
    const QString output = qEnvironmentVariable("SDL_DISKAUDIOFILE");
    const QString wav = folder + QStringLiteral("/tone.wav");
    const QString song = QStringLiteral(LUMORA_SOURCE_DIR) +
                         QStringLiteral("/fuzz/corpus/fuzz_platform_midi/one-note-each.mid");
    auto device = mci().createDevice();

    if (bench::wanted("midi_soundfont_load_ms") || bench::wanted("midi_open_to_sound_ms")) {
        const auto start = Clock::now();
        device->open(song);
        bench::report("midi_soundfont_load_ms", bench::msSince(start), "ms");
        device->close();
        std::vector<double> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.push_back(openToSound(*device, song, output));
        if (bench::wanted("midi_open_to_sound_ms"))
            bench::report("midi_open_to_sound_ms", median(runs), "ms");
    }
    if (bench::wanted("wav_open_to_sound_ms")) {
        std::vector<double> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.push_back(openToSound(*device, wav, output));
        bench::report("wav_open_to_sound_ms", median(runs), "ms");
    }
    std::fprintf(stderr, "(sound figures: SDL audio driver \"disk\", %d runs each, median)\n",
                 kRuns);
}

// --- video group ---

// The frame number the video carries in its top left corner, modulo 256.
int frameTag(QWidget& display) {
    const QRgb p = display.grab(QRect(16, 16, 32, 32)).toImage().pixel(16, 16);
    return qRed(p) / 16 + 16 * (qGreen(p) / 16);
}

void videoGroup(const QString& folder) {
    const QString video = folder + QStringLiteral("/video.mpg");
    QWidget display;
    display.setAutoFillBackground(true);
    display.setPalette(QPalette(Qt::black));
    display.resize(640, 480);
    display.show();
    waitUntil([&] { return display.isVisible(); });
    auto device = mci().createDevice();
    device->setDisplay(&display);

    if (bench::wanted("mpeg_open_to_first_frame_ms")) {
        std::vector<double> runs;
        for (int i = 0; i < kRuns; ++i) {
            const auto start = Clock::now();
            device->open(video);
            device->play();
            waitUntil([&] { return device->framesDrawn() > 0; });
            runs.push_back(device->framesDrawn() > 0 ? bench::msSince(start) : -1);
            device->close();
        }
        bench::report("mpeg_open_to_first_frame_ms", median(runs), "ms");
    }

    if (bench::wanted("mpeg_playback_cpu_percent")) {
        device->open(video);
        device->play();
        waitUntil([&] { return device->position() > 1000; });
        const double percent = cpuPercentFor(10000);
        const int frames = device->framesDrawn();
        bench::report("mpeg_playback_cpu_percent", percent, "%");
        std::fprintf(stderr, "(%d of %d frames drawn in the first 11 s)\n", frames,
                     device->position() / kFrameMs);
        device->close();
    }

    if (bench::wanted("av_sync_max_ms")) {
        // On each new picture: the audio clock against the picture's own time.
        device->open(video);
        device->play();
        int seen = 0;
        std::vector<double> offsets;
        while (device->mode() == MciMode::Playing && device->position() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (device->framesDrawn() == seen)
                continue;
            seen = device->framesDrawn();
            const int position = device->position();
            const int tag = frameTag(display);
            // The frame number nearest the clock that has this tag.
            const int expected = position / kFrameMs;
            const int frame = expected + (((tag - expected) % 256 + 384) % 256 - 128);
            offsets.push_back(std::fabs(double(position - frame * kFrameMs)));
        }
        std::sort(offsets.begin(), offsets.end());
        bench::report("av_sync_max_ms", offsets.empty() ? -1 : offsets.back(), "ms");
        std::fprintf(stderr,
                     "(sync measured on %zu pictures over %d ms, 99th percentile %.0f ms)\n",
                     offsets.size(), device->position(),
                     offsets.empty() ? -1.0 : offsets[offsets.size() * 99 / 100]);
        device->close();
    }

    if (bench::wanted("idle_cpu_percent_paused_media")) {
        device->open(video);
        device->play();
        waitUntil([&] { return device->position() > 1000; });
        device->pause();
        cpuPercentFor(1000);  // the output closes after a moment
        bench::report("idle_cpu_percent_paused_media", cpuPercentFor(10000), "%");
        device->close();
    }
    std::fprintf(stderr, "(video figures: SDL audio driver \"%s\", Qt platform \"%s\")\n",
                 qPrintable(qEnvironmentVariable("SDL_AUDIODRIVER")),
                 qPrintable(QGuiApplication::platformName()));
}

// --- parent: fixtures and the children ---

bool ffmpeg(const QStringList& arguments) {
    QStringList all{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                    QStringLiteral("error"), QStringLiteral("-y")};
    return QProcess::execute(QStringLiteral("ffmpeg"), all + arguments) == 0;
}

bool makeMedia(const QString& folder) {
    // The video carries its frame number (mod 256) as the colour of a block
    // in its top left corner, in steps of 16 that survive compression.
    const QString tag = QStringLiteral(
        "testsrc2=s=640x480:r=25:d=32[bg];"
        "color=c=black:s=64x64:r=25:d=32,format=rgb24,"
        "geq=r='mod(N,16)*16+8':g='mod(floor(N/16),16)*16+8':b=128[tag];"
        "[bg][tag]overlay=0:0,format=yuv420p[v]");
    return ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-c:a",
                   "pcm_s16le", folder + QStringLiteral("/tone.wav")}) &&
           ffmpeg({"-filter_complex",
                   tag,
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=frequency=330:sample_rate=44100:duration=32",
                   "-map",
                   "[v]",
                   "-map",
                   "0:a",
                   "-c:v",
                   "mpeg1video",
                   "-q:v",
                   "3",
                   "-c:a",
                   "mp2",
                   "-b:a",
                   "192k",
                   "-f",
                   "mpeg",
                   folder + QStringLiteral("/video.mpg")});
}

int runChild(const QString& program, const QString& group, const QString& folder,
             const QString& driver) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), driver);
    env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), folder + QStringLiteral("/sound.raw"));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(program, {QStringLiteral("--group"), group, folder});
    child.waitForFinished(-1);
    return child.exitCode();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    using namespace lumora;
    useLinkedMediaBackend();
    if (argc == 4 && std::strcmp(argv[1], "--group") == 0) {
        QApplication app(argc, argv);
        const QString folder = QString::fromLocal8Bit(argv[3]);
        if (std::strcmp(argv[2], "sound") == 0)
            soundGroup(folder);
        else
            videoGroup(folder);
        return 0;
    }

    const bool sound = bench::wanted("wav_open_to_sound_ms") ||
                       bench::wanted("midi_open_to_sound_ms") ||
                       bench::wanted("midi_soundfont_load_ms");
    const bool video = bench::wanted("mpeg_open_to_first_frame_ms") ||
                       bench::wanted("mpeg_playback_cpu_percent") ||
                       bench::wanted("av_sync_max_ms") ||
                       bench::wanted("idle_cpu_percent_paused_media");
    if (!sound && !video)
        return 0;
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!makeMedia(folder.path())) {
        std::printf("mci: failed (ffmpeg could not make the media)\n");
        return 1;
    }
    const QString self = QCoreApplication::applicationFilePath();
    int status = 0;
    if (sound)
        status |= runChild(self, QStringLiteral("sound"), folder.path(), QStringLiteral("disk"));
    if (video)
        status |= runChild(self, QStringLiteral("video"), folder.path(),
                           qEnvironmentVariable("SDL_AUDIODRIVER", QStringLiteral("dummy")));
    return status;
}

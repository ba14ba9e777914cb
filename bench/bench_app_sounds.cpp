// Slideshow sounds: the CPU the program spends while nothing plays and every
// window is closed (the sound setup's timer runs all the time), and the
// silence between one WAV's end and the next one's start as the sound list
// moves on, read back from SDL's disk driver. Median of the gaps.

#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "slideshow/slideshow_sounds_window.h"
#include "ui/forms.h"
#include "ui/list_box.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>

namespace lumora {
namespace {

constexpr int kRate = 44100;          // stereo float frames a second
constexpr int kShortestSilence = 44;  // a zero crossing is no gap: a millisecond is
constexpr double kSoundLevel = 1e-3;
constexpr int kToneMs = 500;
constexpr int kTransitions = 10;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool makeTone(const QString& path, int hertz) {
    return QProcess::execute(
               QStringLiteral("ffmpeg"),
               {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                QStringLiteral("sine=frequency=%1:duration=%2").arg(hertz).arg(kToneMs / 1000.0),
                path}) == 0;
}

// The silences between sounds in the output, in milliseconds.
std::vector<double> gapsIn(const QString& output) {
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray raw = file.readAll();
    const size_t frames = size_t(raw.size()) / (2 * sizeof(float));
    std::vector<float> samples(frames * 2);
    std::memcpy(samples.data(), raw.constData(), samples.size() * sizeof(float));
    std::vector<double> gaps;
    bool heard = false;
    size_t silentSince = 0;
    size_t silence = 0;
    for (size_t frame = 0; frame < frames; ++frame) {
        const bool sounding = std::fabs(samples[2 * frame]) > kSoundLevel ||
                              std::fabs(samples[2 * frame + 1]) > kSoundLevel;
        if (!sounding) {
            if (silence++ == 0)
                silentSince = frame;
            continue;
        }
        if (heard && silence >= kShortestSilence)
            gaps.push_back(1000.0 * double(frame - silentSince) / kRate);
        heard = true;
        silence = 0;
    }
    return gaps;
}

int run(int argc, char** argv) {
    const char* idleName = "idle_cpu_percent_sound_timer";
    const char* gapName = "sound_continuation_gap_ms";
    if (!bench::wanted(idleName) && !bench::wanted(gapName))
        return 0;

    test::TestHome home;
    const QString output = home.path() + QStringLiteral("/sound.raw");
    // Before the output opens for the first time.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", QFile::encodeName(output).constData(), 1);
    const QString low = home.path() + QStringLiteral("/low.wav");
    const QString high = home.path() + QStringLiteral("/high.wav");
    if (!makeTone(low, 440) || !makeTone(high, 660)) {
        std::fprintf(stderr, "bench_app_sounds: ffmpeg is needed\n");
        return 0;
    }

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm22& sounds = *forms().Form22;
    sounds.ListBox1->setItems({low, high});
    sounds.enablesound->setChecked(true);

    if (bench::wanted(idleName)) {
        bench::wait(2000);  // the start-up's spell of fast refreshes ends
        const double cpu = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        bench::wait(10000);
        bench::report(idleName, 100.0 * (cpuSeconds() - cpu) / (double(wall.elapsed()) / 1000.0),
                      "%");
    }
    if (bench::wanted(gapName)) {
        sounds.Start();
        bench::wait((kTransitions + 1) * kToneMs + 300);
        sounds.Stop();
        bench::wait(500);  // the output closes
        bench::report(gapName, bench::median(gapsIn(output), gapName), "ms");
    }
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

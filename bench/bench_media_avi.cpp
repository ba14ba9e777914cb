// The AVI view: open to first frame of a 640 x 480 MPEG-4 film, how evenly
// its frames are painted, the CPU it takes playing and stopped, and how far
// picture and sound part in a minute of a 15 frames-a-second film.

#include "bench_loop.h"
#include "bench_report.h"
#include "media/avi_play.h"
#include "platform/mci_backend/backend.h"
#include "support/test_home.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;
using bench::cpuPercentFor;
using bench::waitUntil;

// Each frame the view paints, once, with the time and the sound played by then.
class PaintLog : public QObject {
public:
    struct Paint {
        int frame;
        Clock::time_point at;
        int64_t soundPlayed;
    };

    explicit PaintLog(TDCAVIPlay& view) : view_(view) { view.installEventFilter(this); }
    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        const int frame = view_.CurrentFrame();
        if (paints.empty() || paints.back().frame != frame)
            paints.push_back({frame, Clock::now(), view_.sound().position()});
        return false;
    }

private:
    TDCAVIPlay& view_;
};

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool ffmpeg(const QStringList& arguments) {
    QStringList all{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                    QStringLiteral("error"), QStringLiteral("-y")};
    return QProcess::execute(QStringLiteral("ffmpeg"), all + arguments) == 0;
}

void openToFirstFrame(TDCAVIPlay& view, const QString& film) {
    PaintLog log(view);
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
        view.setFileName(QString());
        bench::wait(100);
        log.paints.clear();
        const auto start = Clock::now();
        view.setFileName(film);
        waitUntil([&] { return !log.paints.empty(); });
        runs.push_back(log.paints.empty() ? -1 : msBetween(start, log.paints.front().at));
    }
    bench::report("avi_open_to_first_frame_ms", bench::median(runs, "open to first frame"), "ms");
}

// 20 s at 25 frames a second: how far each paint lies from a steady pace, the
// straight line through all of them (the pictures keep the sound's pace, which
// need not be the system clock's).
void frameJitter(TDCAVIPlay& view, const QString& film) {
    view.setFileName(film);
    PaintLog log(view);
    const auto start = Clock::now();
    view.setActive(true);
    bench::wait(20000);
    view.Stop();
    std::vector<std::pair<double, double>> paints;  // frame, ms after the start
    for (const PaintLog::Paint& p : log.paints)
        if (p.frame > 0)
            paints.emplace_back(p.frame, msBetween(start, p.at));
    const double n = double(std::max<size_t>(paints.size(), 1));
    double meanFrame = 0, meanMs = 0;
    for (auto [frame, ms] : paints) {
        meanFrame += frame / n;
        meanMs += ms / n;
    }
    double covariance = 0, spread = 0;
    for (auto [frame, ms] : paints) {
        covariance += (frame - meanFrame) * (ms - meanMs);
        spread += (frame - meanFrame) * (frame - meanFrame);
    }
    const double msPerFrame = spread > 0 ? covariance / spread : 40.0;
    double variance = 0;
    for (auto [frame, ms] : paints) {
        const double off = ms - (meanMs + (frame - meanFrame) * msPerFrame);
        variance += off * off / n;
    }
    bench::report("avi_frame_jitter_ms", std::sqrt(variance), "ms");
    std::fprintf(stderr, "(%zu of 500 frames painted, %.3f ms a frame)\n", paints.size(),
                 msPerFrame);
}

void playingCpu(TDCAVIPlay& view, const QString& film) {
    view.setFileName(film);
    view.setActive(true);
    bench::wait(1000);
    bench::report("avi_640x480_cpu_percent", cpuPercentFor(10000), "%");
    view.Stop();
}

void stoppedCpu(TDCAVIPlay& view, const QString& film) {
    view.setFileName(film);
    view.setActive(true);
    bench::wait(1000);
    view.Stop();
    cpuPercentFor(1000);  // the sound output closes after a moment
    bench::report("idle_cpu_percent_stopped_avi", cpuPercentFor(10000), "%");
}

// The picture's time less the sound's (samples the output took, 22,050 a
// second) at each frame of a second; the median of them.
double offsetDuring(const std::vector<PaintLog::Paint>& paints, Clock::time_point start,
                    double fromMs) {
    std::vector<double> offsets;
    for (const PaintLog::Paint& p : paints) {
        const double at = msBetween(start, p.at);
        if (at >= fromMs && at < fromMs + 1000)
            offsets.push_back(p.frame * 1000.0 / 15 - p.soundPlayed * 1000.0 / 22050);
    }
    return bench::median(offsets);
}

void avDrift(TDCAVIPlay& view, const QString& film) {
    view.setFileName(film);
    PaintLog log(view);
    const auto start = Clock::now();
    view.setActive(true);
    bench::wait(61000);
    view.Stop();
    const double early = offsetDuring(log.paints, start, 1000);
    const double late = offsetDuring(log.paints, start, 59000);
    bench::report("avi_av_drift_ms", std::fabs(late - early), "ms");
    std::fprintf(stderr, "(picture ahead of sound by %.1f ms after 1 s, %.1f ms after 59 s)\n",
                 early, late);
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    using namespace lumora;
    const bool wanted =
        bench::wanted("avi_open_to_first_frame_ms") || bench::wanted("avi_frame_jitter_ms") ||
        bench::wanted("avi_640x480_cpu_percent") || bench::wanted("avi_av_drift_ms") ||
        bench::wanted("idle_cpu_percent_stopped_avi");
    if (!wanted)
        return 0;
    test::TestHome home;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useLinkedMediaBackend();

    QTemporaryDir folder;
    const QString film = folder.filePath(QStringLiteral("film640.avi"));
    const QString minute = folder.filePath(QStringLiteral("minute15.avi"));
    if (!ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=640x480:r=25:d=25", "-f", "lavfi", "-i",
                 "sine=frequency=440:sample_rate=44100:duration=25", "-c:v", "mpeg4", "-q:v", "4",
                 "-c:a", "libmp3lame", "-b:a", "128k", film}) ||
        !ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=160x120:r=15:d=62", "-f", "lavfi", "-i",
                 "sine=frequency=440:sample_rate=22050:duration=62", "-c:v", "mjpeg", "-q:v", "5",
                 "-c:a", "pcm_s16le", minute})) {
        std::printf("avi: failed (ffmpeg could not make the films)\n");
        return 1;
    }

    QWidget window;
    window.resize(640, 480);
    TDCAVIPlay view(&window);
    view.setTransparent(false);
    window.show();
    waitUntil([&] { return window.isVisible(); });

    if (bench::wanted("avi_open_to_first_frame_ms"))
        openToFirstFrame(view, film);
    if (bench::wanted("avi_frame_jitter_ms"))
        frameJitter(view, film);
    if (bench::wanted("avi_640x480_cpu_percent"))
        playingCpu(view, film);
    if (bench::wanted("idle_cpu_percent_stopped_avi"))
        stoppedCpu(view, film);
    if (bench::wanted("avi_av_drift_ms"))
        avDrift(view, minute);
    std::fprintf(stderr, "(AVI figures: SDL audio driver \"%s\", Qt platform \"%s\")\n",
                 qPrintable(qEnvironmentVariable("SDL_AUDIODRIVER")),
                 qPrintable(QGuiApplication::platformName()));
    return 0;
}

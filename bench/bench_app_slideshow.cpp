// Slideshow step latency: from the step timer's tick to the new 12-megapixel
// JPEG slide painted and flushed to the window system, with the look-ahead
// decode and without it. Median of the measured steps.

#include "bench_pictures.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "slideshow/slideshow_player.h"
#include "ui/forms.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;

// Marks the moment the step timer's tick arrives, before the player sees it.
class TickClock : public QObject {
public:
    explicit TickClock(const TSlideImage* image) : image_(image) {}
    Clock::time_point at;
    quint64 serialAtTick = 0;
    bool ticked = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            at = Clock::now();
            serialAtTick = image_->pictureSerial();
            ticked = true;
        }
        return false;
    }

private:
    const TSlideImage* image_;
};

// Plays the list and returns the tick-to-painted time of `steps` steps after
// `warmUp` unmeasured ones.
std::vector<double> measure(TForm8& player, const QStringList& list, int warmUp, int steps) {
    std::vector<double> times;
    TickClock tick(player.Image1);
    player.Timer1->installEventFilter(&tick);
    int seen = 0;
    QObject context;
    QObject::connect(player.Image1, &TSlideImage::painted, &context, [&](quint64 serial) {
        if (!tick.ticked || serial == tick.serialAtTick)
            return;
        tick.ticked = false;
        // Queued: runs once this paint has been flushed to the window system.
        QTimer::singleShot(0, &context, [&, start = tick.at] {
            if (++seen > warmUp)
                times.push_back(bench::msSince(start));
            if (seen >= warmUp + steps)
                player.Close();
        });
    });
    player.Timer1->setInterval(900);  // room for a background decode
    player.Start(&list);
    player.Timer1->removeEventFilter(&tick);
    return times;
}

int run(int argc, char** argv) {
    const char* withName = "slideshow_step_12mp_jpeg_ms";
    const char* withoutName = "slideshow_step_12mp_jpeg_no_lookahead_ms";
    if (!bench::wanted(withName) && !bench::wanted(withoutName))
        return 0;

    test::TestHome home;

    const QStringList list = bench::makeJpegs12mp(home.path(), "slide", 3);
    if (list.isEmpty()) {
        std::fprintf(stderr, "bench_app_slideshow: ImageMagick convert is needed\n");
        return 0;
    }

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm8& player = *forms().Form8;

    constexpr int kWarmUp = 2, kSteps = 9;
    if (bench::wanted(withName)) {
        player.setLookAhead(true);
        bench::report(withName, bench::median(measure(player, list, kWarmUp, kSteps), withName),
                      "ms");
    }
    if (bench::wanted(withoutName)) {
        player.setLookAhead(false);
        bench::report(withoutName,
                      bench::median(measure(player, list, kWarmUp, kSteps), withoutName), "ms");
    }
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

// The quick slideshow's walk in the real program: launch to player for a
// folder of 1,000 files (and at the design's pace of one file a tick), and,
// over a folder of 100,000 pictures, how the program answers meanwhile: the
// longest stall of its event loop, the progress window's repaints a second
// and how soon a press of Abort takes effect (medians of three rounds).

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_player.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;

bool makeFiles(const QString& folder, int count, int textEvery) {
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const bool text = textEvery > 0 && i % textEvery == 0;
        QFile file(
            folder +
            QStringLiteral("/f%1.%2").arg(i, 6, 10, QLatin1Char('0')).arg(text ? "txt" : "jpg"));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

// A thread posts a stamped event every millisecond; how late the event loop
// takes each is what a key press or a click would wait. With `action`, the
// first event posted after `actAfter` runs it and its lateness is kept apart.
class LoopProbe : public QObject {
public:
    static constexpr QEvent::Type kStamp = QEvent::Type(QEvent::User + 71);
    struct Stamp : QEvent {
        Stamp(Clock::time_point at, bool act) : QEvent(kStamp), at(at), act(act) {}
        Clock::time_point at;
        bool act;
    };

    void start(std::function<void()> action = {}, std::chrono::milliseconds actAfter = {}) {
        action_ = std::move(action);
        running_ = true;
        worker_ = std::thread([this, actAfter] {
            const auto begin = Clock::now();
            bool acted = !action_;
            while (running_) {
                const bool act = !acted && Clock::now() - begin >= actAfter;
                acted = acted || act;
                QCoreApplication::postEvent(this, new Stamp(Clock::now(), act));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    void stop() {
        running_ = false;
        worker_.join();
        QCoreApplication::removePostedEvents(this, kStamp);
    }

    double longestMs = 0;
    double actionLatencyMs = -1;

protected:
    bool event(QEvent* event) override {
        if (event->type() != kStamp)
            return QObject::event(event);
        const auto* stamp = static_cast<Stamp*>(event);
        longestMs = std::max(longestMs, bench::msSince(stamp->at));
        if (stamp->act && action_) {
            action_();
            actionLatencyMs = bench::msSince(stamp->at);
        }
        return true;
    }

private:
    std::function<void()> action_;
    std::atomic<bool> running_{false};
    std::thread worker_;
};

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Launches the quick slideshow and returns the milliseconds until the player
// shows (which is ended at once), or -1 when it did not.
double launchToPlayer(TForm1& main) {
    TForm8& player = *forms().Form8;
    double ms = -1;
    const auto start = Clock::now();
    QObject context;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, &context, [&] {
        if (QApplication::activeModalWidget() == &player && ms < 0) {
            ms = bench::msSince(start);
            player.Close();
        }
    });
    watch.start();
    main.QuickSlideshow1->trigger();
    return ms;
}

void list(TForm1& main, const QString& folder) {
    main.directorylistbox1->setDirectory(folder);
    main.FileListBox1->Update();
    main.FileListBox1->setItemIndex(-1);
}

int run(int argc, char** argv) {
    const char* walkName = "quick_walk_1000_files_ms";
    const char* designName = "quick_walk_1000_files_design_pace_ms";
    const char* stallName = "quick_walk_longest_stall_ms";
    if (!bench::wanted(walkName) && !bench::wanted(designName) && !bench::wanted(stallName))
        return 0;

    test::TestHome home;
    const QString small = home.path() + QStringLiteral("/thousand");
    const QString large = home.path() + QStringLiteral("/many");
    if (!makeFiles(small, 1000, 3) || !makeFiles(large, 100000, 0)) {
        std::fprintf(stderr, "bench_app_quick_slideshow: cannot make the folders\n");
        return 1;
    }

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    main.show();
    main.FileListBox1->setMask(QStringLiteral("*.*"));

    list(main, small);
    if (bench::wanted(walkName)) {
        std::vector<double> times;
        for (int i = 0; i < 7; ++i)
            times.push_back(launchToPlayer(main));
        bench::report(walkName, bench::median(times, walkName), "ms");
    }
    if (bench::wanted(designName)) {
        const auto slice = main.quickWalkSlice;
        main.quickWalkSlice = {};
        bench::report(designName, launchToPlayer(main), "ms");
        main.quickWalkSlice = slice;
    }

    if (bench::wanted(stallName)) {
        list(main, large);
        bench::wait(300);  // the list is laid out on screen, as the user saw it
        TForm15& progress = *forms().Form15;
        // Three rounds: the machine is shared, a single one says little.
        std::vector<double> walks, stalls, repaints, aborts;
        for (int round = 0; round < 3; ++round) {
            PaintCounter counter;
            progress.Label3->installEventFilter(&counter);
            LoopProbe probe;
            probe.start();
            const double walkMs = launchToPlayer(main);
            probe.stop();
            progress.Label3->removeEventFilter(&counter);
            walks.push_back(walkMs);
            stalls.push_back(probe.longestMs);
            repaints.push_back(counter.paints * 1000.0 / walkMs);

            // Abort pressed a while into the walk: how late it is taken.
            LoopProbe abort;
            abort.start([&] { progress.BitBtn1->click(); }, std::chrono::milliseconds(150));
            if (launchToPlayer(main) >= 0)
                std::fprintf(stderr, "the walk ended before Abort was pressed\n");
            abort.stop();
            aborts.push_back(abort.actionLatencyMs);
        }
        bench::report("quick_walk_100k_files_ms", bench::median(walks, "walk"), "ms");
        bench::report(stallName, bench::median(stalls, "stall"), "ms");
        bench::report("quick_walk_longest_stall_max_ms",
                      *std::max_element(stalls.begin(), stalls.end()), "ms");
        bench::report("quick_walk_progress_repaints_per_s", bench::median(repaints, "repaints"),
                      "1/s");
        bench::report("quick_walk_abort_ms", bench::median(aborts, "abort"), "ms");
    }

    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

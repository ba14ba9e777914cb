// Add All in the slideshow editor with 1,000 pictures listed: the time until
// all are in the slide list, and the longest the event loop stood still
// meanwhile (a 1 ms probe timer that could not fire). Medians over runs.

#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "slideshow/slideshow_editor.h"
#include "ui/directory_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double totalMs = 0;
    double maxStallMs = 0;
};

Run addAll(TForm7& editor, int files) {
    editor.Button1Click();
    Run run;
    Clock::time_point lastProbe = Clock::now();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        run.maxStallMs = std::max(run.maxStallMs, bench::msSince(lastProbe));
        lastProbe = Clock::now();
    });
    probe.start();
    bench::wait(20);  // the probe settles
    run.maxStallMs = 0;
    const Clock::time_point start = Clock::now();
    lastProbe = start;
    editor.Button10Click();
    while (editor.addingAll())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    run.totalMs = bench::msSince(start);
    bench::wait(20);  // the paint of the last batch counts as well
    probe.stop();
    if (editor.ListBox1->count() != files)
        std::fprintf(stderr, "bench_app_editor: %d of %d files added\n",
                     int(editor.ListBox1->count()), files);
    return run;
}

int run(int argc, char** argv) {
    const char* totalName = "editor_add_all_1000_ms";
    const char* stallName = "editor_add_all_max_stall_ms";
    if (!bench::wanted(totalName) && !bench::wanted(stallName))
        return 0;

    test::TestHome home;
    constexpr int kFiles = 1000;
    const QString folder = home.path() + QStringLiteral("/pictures");
    QDir().mkpath(folder);
    for (int i = 0; i < kFiles; ++i) {
        QFile picture(folder +
                      QStringLiteral("/holiday picture %1.jpg").arg(i, 4, 10, QChar(u'0')));
        picture.open(QIODevice::WriteOnly);
    }

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm7& editor = *forms().Form7;
    editor.DirectoryListBox1->setDirectory(folder);
    editor.show();
    bench::wait(300);  // shown and painted

    std::vector<double> totals, stalls;
    for (int i = 0; i < 7; ++i) {
        const Run run = addAll(editor, kFiles);
        totals.push_back(run.totalMs);
        stalls.push_back(run.maxStallMs);
        std::fprintf(stderr, "run %d: %.1f ms, longest stall %.1f ms\n", i, run.totalMs,
                     run.maxStallMs);
    }
    if (bench::wanted(totalName))
        bench::report(totalName, bench::median(totals), "ms");
    if (bench::wanted(stallName))
        bench::report(stallName, bench::median(stalls), "ms");
    editor.hide();
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

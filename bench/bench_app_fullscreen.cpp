// The full-screen viewer's step: from the F12 (or F11) key press to the new
// 12-megapixel JPEG painted and flushed to the window system, with the next
// picture decoded ahead and cold (nothing decoded ahead). Median of the steps.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "bench_pictures.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/slideshow_player.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;

// A key pressed and released on widget, as the window system delivers it.
void press(QWidget* widget, Qt::Key key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &up);
}

// CPU time of the calling thread: what a step costs whatever else the
// shared machine runs.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Steps back and forth over the list, `steps` times, and times each from the
// key to the paint of the new picture flushed; warm with the picture decoded
// ahead, cold without.
struct Steps {
    std::vector<double> wallMs, cpuMs;
};

Steps measure(TForm1& main, const QStringList& paths, int steps, bool warm) {
    TForm5& viewer = *forms().Form5;
    main.FileListBox1->selectItem(QStringLiteral("photo1.jpg"));
    main.FileListBox1Click();
    Steps times;
    int position = 0, direction = 1;
    const TSlidePrefetch& ahead = *viewer.prefetch();
    QTimer::singleShot(0, &viewer, [&] {
        for (int i = 0; i < 100 && !viewer.windowHandle()->isExposed(); ++i)
            bench::wait(10);
        bench::wait(300);
        for (int i = 0; i < steps; ++i) {
            if (position + direction < 0 || position + direction >= paths.size())
                direction = -direction;
            position += direction;
            // The look-ahead has done its work either way; cold drops it, so
            // that the step decodes alone, not beside a decode of its own.
            for (int tries = 0; tries < 400 && !ahead.ready(paths[position]); ++tries)
                bench::wait(5);
            if (!warm)
                viewer.dropLookAhead();
            const quint64 before = viewer.jpg->pictureSerial();
            bool flushed = false;
            Clock::time_point start;
            double startCpu = 0;
            QObject context;
            QObject::connect(viewer.jpg, &TSlideImage::painted, &context, [&](quint64 serial) {
                if (serial == before)
                    return;
                // Queued: runs once this paint has been flushed.
                QTimer::singleShot(0, &context, [&] {
                    if (!flushed) {
                        times.wallMs.push_back(bench::msSince(start));
                        times.cpuMs.push_back(threadCpuMs() - startCpu);
                    }
                    flushed = true;
                });
            });
            start = Clock::now();
            startCpu = threadCpuMs();
            press(&viewer, direction > 0 ? Qt::Key_F12 : Qt::Key_F11);
            for (int tries = 0; tries < 2000 && !flushed; ++tries)
                bench::wait(1);
        }
        viewer.Close();
    });
    main.FullScreen1Click();
    return times;
}

int run(int argc, char** argv) {
    const char* warmName = "fullscreen_step_12mp_jpeg_ms";
    const char* coldName = "fullscreen_step_12mp_jpeg_cold_ms";
    if (!bench::wanted(warmName) && !bench::wanted(coldName))
        return 0;

    test::TestHome home;
    const QStringList paths = bench::makeJpegs12mp(home.path(), "photo", 3);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "bench_app_fullscreen: ImageMagick convert is needed\n");
        return 0;
    }

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    main.show();
    main.FileListBox1->setMask(QStringLiteral("*.jpg"));
    main.directorylistbox1->setDirectory(home.path());
    main.FileListBox1->setFileType(main.FileListBox1->FileType() & ~TFileListBox::ftDirectory);
    if (main.FileListBox1->Count() != paths.size()) {
        std::fprintf(stderr, "bench_app_fullscreen: the list does not hold the pictures alone\n");
        return 1;
    }

    constexpr int kSteps = 9;
    for (const bool warm : {true, false}) {
        const char* name = warm ? warmName : coldName;
        if (!bench::wanted(name))
            continue;
        const Steps steps = measure(main, paths, kSteps, warm);
        bench::report(name, bench::median(steps.wallMs, name), "ms");
        const QByteArray cpuName = QByteArray(name).replace("_ms", "_cpu_ms");
        bench::report(cpuName.constData(), bench::median(steps.cpuMs, cpuName.constData()), "ms");
    }
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

// Preview of a 24-megapixel JPEG in the real main window: file-list click to
// picture set (against a whole djpeg process on the same file), the peak
// memory of that click, and repaints of the stretched picture.

#include "app/main_window.h"
#include "bench_pictures.h"
#include "bench_program.h"
#include "platform/application.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

// A line of /proc/self/status in megabytes.
double statusMb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The peak (VmHWM) starts again from the current RSS.
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

int run(int argc, char** argv) {
    const bool click = bench::wanted("preview_24mp_jpeg_ms");
    const bool memory = bench::wanted("preview_24mp_peak_rss_mb");
    const bool repaint = bench::wanted("stretched_repaint_24mp_ms");
    if (!click && !memory && !repaint)
        return 0;

    test::TestHome home;
    const QString path = home.path() + QStringLiteral("/24mp.jpg");
    if (!bench::makePicture(path, "6000x4000", {QStringLiteral("-quality"), QStringLiteral("90")}))
        return 1;

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    main.show();
    main.FileListBox1->setMask(QStringLiteral("*.*"));
    main.FileListBox1->setDirectory(home.path());
    bench::settle();

    // The click: the entry selected, then the list's click handler.
    const auto clickPicture = [&] {
        const auto start = Clock::now();
        main.FileListBox1->selectItem(QStringLiteral("24mp.jpg"));
        main.FileListBox1Click();
        return bench::msSince(start);
    };
    const auto leavePicture = [&] {
        main.closeimageClick();
        main.FileListBox1->setItemIndex(-1);
        bench::settle();
    };

    // The first click from an idle window sets the peak.
    const double idle = statusMb("VmRSS");
    resetPeak();
    const double first = clickPicture();
    const double peak = statusMb("VmHWM");
    if (main.jpg->pictureSize() != QSize(6000, 4000)) {
        std::fprintf(stderr, "bench_app_preview: the picture was not shown\n");
        return 1;
    }
    if (memory) {
        const double pictureMb = 6000.0 * 4000 * 4 / (1024 * 1024);
        bench::report("preview_24mp_idle_rss_mb", idle, "MB");
        bench::report("preview_24mp_peak_rss_mb", peak, "MB");
        bench::report("preview_24mp_peak_rss_goal_mb", 1.3 * pictureMb + idle, "MB");
    }

    if (click) {
        bench::Times ours, theirs;
        ours.keepBest(first, first);
        const QByteArray native = QFile::encodeName(path);
        for (int i = 0; i < kRounds; ++i) {
            leavePicture();
            const double ms = clickPicture();
            ours.keepBest(ms, ms);
            if (!bench::runDjpeg(native, theirs))
                return 1;
        }
        bench::report("preview_24mp_jpeg_ms", ours.wallMs, "ms");
        bench::report("preview_24mp_djpeg_ms", theirs.wallMs, "ms");
        bench::report("preview_24mp_vs_djpeg_ratio", ours.wallMs / theirs.wallMs, "ratio");
    }

    if (repaint) {
        if (!main.jpg->Stretch())
            main.StretchImages1Click();
        bench::settle();
        std::vector<double> same, resized;
        main.jpg->repaint();  // the first paint makes the scaled copy
        for (int i = 0; i < 9; ++i) {
            const auto start = Clock::now();
            main.jpg->repaint();
            same.push_back(bench::msSince(start));
        }
        // A window dragged larger and smaller: each size is new.
        const QSize base = main.size();
        for (int i = 1; i <= 9; ++i) {
            const QSize before = main.jpg->size();
            const auto start = Clock::now();
            main.resize(base + QSize(7 * i, 5 * i));
            while (main.jpg->size() == before && bench::msSince(start) < 1000)
                QCoreApplication::processEvents();
            main.jpg->repaint();
            resized.push_back(bench::msSince(start));
        }
        bench::report("stretched_repaint_24mp_ms", bench::median(same), "ms");
        bench::report("stretched_resize_repaint_24mp_ms", bench::median(resized), "ms");
    }

    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

// Preview of a 24-megapixel JPEG stretched in the real main window's
// 400-pixel preview: file-list click to the picture painted, against a whole
// djpeg process decoding the same file in the same rounds; the memory that
// click adds at its peak (the program's own peak, started on such a picture,
// is bench_platform_startup's: this process also maps the media libraries the
// tests link, which the program loads only to play); and repaints of the
// stretched picture.

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
constexpr int kRounds = 7;

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
    const bool click = bench::wanted("preview_24mp_stretched_vs_djpeg_ratio");
    const bool memory = bench::wanted("preview_24mp_click_rss_growth_mb");
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
    if (!main.jpg->Stretch())
        main.StretchImages1Click();
    main.FileListBox1->setMask(QStringLiteral("*.*"));
    main.FileListBox1->setDirectory(home.path());
    bench::settle();

    // The click: the entry selected, the list's click handler, the paint.
    const auto clickPicture = [&] {
        const auto start = Clock::now();
        main.FileListBox1->selectItem(QStringLiteral("24mp.jpg"));
        main.FileListBox1Click();
        main.jpg->repaint();
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
        bench::report("preview_24mp_click_rss_growth_mb", peak - idle, "MB");
    }

    if (click) {
        std::vector<double> ours{first}, theirs;
        const QByteArray native = QFile::encodeName(path);
        for (int i = 0; i < kRounds; ++i) {
            leavePicture();
            ours.push_back(clickPicture());
            bench::Times djpeg;
            if (!bench::runDjpeg(native, djpeg))
                return 1;
            theirs.push_back(djpeg.wallMs);
        }
        const double oursMs = bench::median(ours, "stretched preview ms");
        const double djpegMs = bench::median(theirs, "djpeg ms");
        bench::report("preview_24mp_stretched_ms", oursMs, "ms");
        bench::report("preview_24mp_djpeg_ms", djpegMs, "ms");
        bench::report("preview_24mp_stretched_vs_djpeg_ratio", oursMs / djpegMs, "ratio");
    }

    if (repaint) {
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

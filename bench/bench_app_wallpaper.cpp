// The wallpaper on the X11 root window (no desktop named), from a 1920 x 1080
// JPEG: the whole "Normal" command, menu to progress window closed (its bar
// alone takes 50 ticks of 16 ms), and the root's part of it alone: the
// screen-sized pixmap drawn, sent and set, from the decoded picture.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "bench_pictures.h"
#include "bench_program.h"
#include "platform/application.h"
#include "platform/desktop.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kCommands = 5;
constexpr int kApplications = 15;

int run(int argc, char** argv) {
    const bool command = bench::wanted("wallpaper_command_ms");
    const bool apply = bench::wanted("wallpaper_apply_x11_ms");
    if (!command && !apply)
        return 0;
    for (const char* name : {"XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
        unsetenv(name);

    test::TestHome home;
    const QString path = home.path() + QStringLiteral("/photo.jpg");
    if (!bench::makePicture(path, "1920x1080", {QStringLiteral("-quality"), QStringLiteral("90")}))
        return 1;

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    main.show();
    bench::wait(300);
    main.FileListBox1->setMask(QStringLiteral("*.*"));
    main.directorylistbox1->setDirectory(home.path());
    main.FileListBox1->selectItem(QStringLiteral("photo.jpg"));
    main.Timer1Timer();

    if (command) {
        std::vector<double> samples;
        for (int i = 0; i < kCommands; ++i) {
            const auto start = Clock::now();
            main.Normal1->trigger();  // returns when the progress window has closed
            samples.push_back(bench::msSince(start));
            if (!main.wallpaper->Failure().isEmpty())
                std::fprintf(stderr, "failed: %s\n", qPrintable(main.wallpaper->Failure()));
        }
        bench::report("wallpaper_command_ms", bench::median(samples, "wallpaper_command_ms"), "ms");
    }
    if (apply) {
        const QImage picture = TForm1::decodeWallpaperPicture(path);
        std::vector<double> samples;
        for (int i = 0; i < kApplications; ++i) {
            // Negative until the desktop answers.
            auto took = std::make_shared<double>(-1);
            const auto start = Clock::now();
            desktop().applyWallpaper({WallpaperStyle::Centred, path, true, picture},
                                     [start, took](const QString& failure) {
                                         *took = bench::msSince(start);
                                         if (!failure.isEmpty())
                                             std::fprintf(stderr, "failed: %s\n",
                                                          qPrintable(failure));
                                     });
            QElapsedTimer waited;
            waited.start();
            while (*took < 0 && waited.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            samples.push_back(*took);
        }
        bench::report("wallpaper_apply_x11_ms", bench::median(samples, "wallpaper_apply_x11_ms"),
                      "ms");
    }
    program.end();
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

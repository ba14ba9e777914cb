// The program with a probe that tells a waiting benchmark the moment the main
// window is first on screen (bench_platform_startup runs it). Started on a
// file, it also says, a second later, the size of the picture the preview
// holds, so the benchmark knows the picture was shown.
#include "startup_probe.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "ui/picture_view.h"

#include <QTimer>

int main(int argc, char** argv) {
    lumora::bench::StartupProbe probe;
    const bool startedOnFile = argc > 1;
    return lumora::runProgram(argc, argv, [&probe, startedOnFile](lumora::TForm1* main) {
        main->winId();
        main->windowHandle()->installEventFilter(&probe);
        if (startedOnFile)
            QTimer::singleShot(1000, main, [main] {
                const QSize size = main->jpg->pictureSize();
                std::printf("preview %dx%d\n", size.width(), size.height());
                std::fflush(stdout);
            });
    });
}

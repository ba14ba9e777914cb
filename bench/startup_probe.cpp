// The program with a probe that tells a waiting benchmark the moment the main
// window is first on screen (bench_platform_startup runs it).
#include "startup_probe.h"
#include "app/main_window.h"
#include "app/start_up.h"

int main(int argc, char** argv) {
    lumora::bench::StartupProbe probe;
    return lumora::runProgram(argc, argv, [&probe](lumora::TForm1* main) {
        main->winId();
        main->windowHandle()->installEventFilter(&probe);
    });
}

// "Associate" with the design's values in a home of its own: from the call to
// the message shown, the class keys, the MIME package, the icon at three
// sizes, the desktop entry, mimeapps.list and both database updates included.

#include "bench_report.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "shell/association_window.h"
#include "support/silent_dialogs.h"
#include "support/test_home.h"

#include <QFile>
#include <QProcess>

#include <sys/stat.h>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 15;

int run(int argc, char** argv) {
    if (!bench::wanted("associate_export_ms"))
        return 0;
    test::TestHome home;
    const QString icon = home.path() + QStringLiteral("/eye5.ico");
    if (QProcess::execute(
            QStringLiteral("convert"),
            {QStringLiteral("-size"), QStringLiteral("48x48"), QStringLiteral("xc:blue"),
             QStringLiteral("-define"), QStringLiteral("icon:auto-resize=48,32,16"), icon}) != 0)
        return 1;
    const QString program = home.path() + QStringLiteral("/lumora");
    QFile script(program);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n") < 0)
        return 1;
    script.close();
    ::chmod(QFile::encodeName(program).constData(), 0755);

    TApplication app(argc, argv);
    Clock::time_point start;
    double took = -1;
    test::SilentDialogs dialogs([&](const QString& text) {
        took = bench::msSince(start);
        if (!text.startsWith(QStringLiteral("File-Type")))
            std::fprintf(stderr, "failed: %s\n", qPrintable(text));
    });
    setDialogs(&dialogs);
    TForm17 window;
    std::vector<double> samples;
    for (int i = 0; i < kRuns; ++i) {
        took = -1;
        start = Clock::now();
        window.Associate(QStringLiteral(".lss"), {}, QStringLiteral("LMR98-Slideshow"),
                         icon + QStringLiteral(",0"), program);
        samples.push_back(took);
    }
    setDialogs(nullptr);
    bench::report("associate_export_ms", bench::median(samples, "associate_export_ms"), "ms");
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

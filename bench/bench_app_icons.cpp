// Icons of a library of 300 groups of 10 images each (16 to 256 pixels, the
// largest a PNG): the file-list click to the grid's first page painted
// (caching on), a grid without caching extracting all 300, and lumora-icons
// writing all 300 as PNG files.

#include "app/main_window.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "shell/icon_list_box.h"
#include "support/icon_fixtures.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGroups = 300;
constexpr int kRounds = 7;

// Ten different icon files, each of ten sizes, named by groups in turn.
bool makeLibrary(const QString& folder, const QString& dll) {
    const char* colours[] = {"red",  "orange", "gold", "lime",   "teal",
                             "navy", "purple", "pink", "sienna", "gray"};
    QStringList icons;
    for (const char* colour : colours) {
        const QString ico = folder + QStringLiteral("/%1.ico").arg(colour);
        if (!test::magickIcon(
                {QStringLiteral("-size"), QStringLiteral("256x256"),
                 QStringLiteral("gradient:white-%1").arg(colour), QStringLiteral("-define"),
                 QStringLiteral("icon:auto-resize=256,64,48,40,32,30,24,22,20,16"), ico}))
            return false;
        icons << ico;
    }
    QString script;
    for (int group = 0; group < kGroups; ++group)
        script += QStringLiteral("%1 ICON \"%2\"\n").arg(group + 1).arg(icons[group % 10]);
    return test::makeIconLibrary(dll, script, test::PeFormat::Pe32Plus);
}

int run(int argc, char** argv) {
    const bool firstPage = bench::wanted("icons_first_page_ms");
    const bool cachingOff = bench::wanted("icons_caching_off_ms");
    const bool command = bench::wanted("lumora_icons_300_ms");
    if (!firstPage && !cachingOff && !command)
        return 0;

    test::TestHome home;
    const QString dll = home.path() + QStringLiteral("/library.dll");
    if (!makeLibrary(home.path(), dll)) {
        std::fprintf(stderr, "bench_app_icons: cannot make the library\n");
        return 1;
    }

    if (command) {
        const QString tool =
            qEnvironmentVariable("LUMORA_BUILD_DIR") + QStringLiteral("/src/platform/lumora-icons");
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            const QString out = home.path() + QStringLiteral("/png%1").arg(round);
            QProcess process;
            const auto start = Clock::now();
            process.start(tool, {dll, out});
            process.waitForFinished(60000);
            times.push_back(bench::msSince(start));
            const int written = int(QDir(out).entryList({QStringLiteral("*.png")}).size());
            if (process.exitCode() != 0 || written != kGroups) {
                std::fprintf(stderr, "bench_app_icons: lumora-icons wrote %d files\n", written);
                return 1;
            }
        }
        bench::report("lumora_icons_300_ms", bench::median(times, "lumora_icons_300_ms"), "ms");
    }
    if (!firstPage && !cachingOff)
        return 0;

    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    main.show();
    main.FileListBox1->setMask(QStringLiteral("*.*"));
    main.FileListBox1->setDirectory(home.path());
    bench::settle();

    if (firstPage) {
        std::vector<double> times;
        int painted = 0;
        for (int round = 0; round < kRounds; ++round) {
            const auto start = Clock::now();
            main.FileListBox1->selectItem(QStringLiteral("library.dll"));
            main.FileListBox1Click();
            main.IconListBox1->repaint();
            times.push_back(bench::msSince(start));
            painted = 0;
            for (int i = 0; i < kGroups; ++i)
                painted += main.IconListBox1->HasIcon(i);
            main.closeimageClick();
            bench::settle();
        }
        std::fprintf(stderr, "icons_first_page_ms: %d cells on the first page\n", painted);
        bench::report("icons_first_page_ms", bench::median(times, "icons_first_page_ms"), "ms");
    }

    if (cachingOff) {
        TIconListBox grid;
        grid.setEnableCaching(false);
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            const auto start = Clock::now();
            grid.setFileName(dll);
            times.push_back(bench::msSince(start));
            if (!grid.HasIcon(kGroups - 1) || grid.Icon(kGroups - 1).isNull()) {
                std::fprintf(stderr, "bench_app_icons: not all icons were extracted\n");
                return 1;
            }
            grid.setFileName(QString());
        }
        bench::report("icons_caching_off_ms", bench::median(times, "icons_caching_off_ms"), "ms");
    }
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

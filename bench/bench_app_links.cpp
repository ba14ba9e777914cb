// "Click here to clear your documents list" on 1,000 shortcuts in the
// program's own recent-documents folder: from the click until the clearing
// timer has stopped and the list was read again. A tick removes shortcuts for
// about 8 ms before the next 10 ms tick, so the clearing does not take ten
// seconds as one file a tick would.

#include "app/main_window.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "shell/links_window.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <vector>

namespace lumora {
namespace {

constexpr int kFiles = 1000;
constexpr int kRuns = 5;

bool makeShortcuts(const QString& folder) {
    for (int i = 0; i < kFiles; ++i) {
        QFile file(folder + QStringLiteral("/recent %1.lnk").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write("shortcut") != 8)
            return false;
    }
    return true;
}

int run(int argc, char** argv) {
    if (!bench::wanted("links_clear_1000_files_ms"))
        return 0;
    test::TestHome home;
    const QString recent = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/lumora/Recent");
    TApplication app(argc, argv);
    bench::ProgramForms program;
    TForm1& main = *forms().Form1;
    TForm13& links = *forms().Form13;

    std::vector<double> samples;
    bool failed = false;
    QTimer::singleShot(0, &links, [&] {
        for (int run = 0; run < kRuns && !failed; ++run) {
            failed = !makeShortcuts(recent);
            links.Office97Button3->click();  // "Update" lists them
            if (failed || links.FileListBox1->Count() != kFiles) {
                failed = true;
                break;
            }
            const auto start = std::chrono::steady_clock::now();
            links.Office97Button1->click();
            while (links.Timer2->isActive())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            samples.push_back(bench::msSince(start));
            failed = links.FileListBox1->Count() != 0;
        }
        links.Button5->click();
    });
    main.Links1->trigger();  // returns when the window has closed
    program.end();
    if (failed) {
        std::fprintf(stderr, "links_clear_1000_files_ms: the shortcuts were not all cleared\n");
        return 1;
    }
    bench::report("links_clear_1000_files_ms", bench::median(samples, "links_clear_1000_files_ms"),
                  "ms");
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

// Language packs with every window of the program created: the table applied
// to all 152 positions, and a 1 MiB pack read, decoded and applied. Medians.

#include "app/main_window.h"
#include "bench_program.h"
#include "bench_report.h"
#include "platform/application.h"
#include "settings/apply_language_table.h"
#include "settings/language_pack.h"
#include "settings/language_table.h"
#include "settings/preferences_window.h"
#include "ui/controls.h"
#include "ui/forms.h"

#include <QFile>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <vector>

namespace lumora {
namespace {

using Clock = std::chrono::steady_clock;

QStringList germanLines() {
    return readLanguagePack(QStringLiteral(LUMORA_SOURCE_DIR "/resources/lang/deutsch.nlp"));
}

// The German pack followed by lines of 80 characters up to 1 MiB.
QString writeLargePack(const QString& folder) {
    QByteArray bytes = formatLanguagePack(germanLines());
    const QByteArray filler = QByteArray(78, 'x') + "\r\n";
    while (bytes.size() + filler.size() <= kLanguagePackCapacity)
        bytes += filler;
    bytes += QByteArray(kLanguagePackCapacity - bytes.size(), 'y');
    const QString path = folder + QStringLiteral("/large.nlp");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "bench_app_language: cannot write %s\n", qPrintable(path));
    return path;
}

int run(int argc, char** argv) {
    const char* applyName = "language_apply_ms";
    const char* loadName = "language_load_1mib_ms";
    if (!bench::wanted(applyName) && !bench::wanted(loadName))
        return 0;

    test::TestHome home;
    TApplication app(argc, argv);
    bench::ProgramForms program;
    forms().Form1->show();
    bench::wait(300);  // shown and painted

    // Every run changes every text: German and English in turn.
    const QStringList packs[] = {germanLines(), builtInLanguageLines()};
    std::vector<double> applies;
    for (int i = 0; i < 41; ++i) {
        const Clock::time_point start = Clock::now();
        ApplyLanguageTable(packs[i % 2]);
        applies.push_back(bench::msSince(start));
        bench::settle();
    }
    if (bench::wanted(applyName))
        bench::report(applyName, bench::median(applies, applyName), "ms");

    const QString large = writeLargePack(home.path());
    TForm4& preferences = *forms().Form4;
    std::vector<double> loads;
    for (int i = 0; i < 9; ++i) {
        preferences.Memo2->setLines(builtInLanguageLines());
        bench::settle();
        const Clock::time_point start = Clock::now();
        preferences.loadLanguagePack(large);
        loads.push_back(bench::msSince(start));
        bench::settle();
    }
    if (preferences.Memo2->Lines().size() != kLanguageLinesKept)
        std::fprintf(stderr, "bench_app_language: %d lines kept\n",
                     int(preferences.Memo2->Lines().size()));
    if (bench::wanted(loadName))
        bench::report(loadName, bench::median(loads, loadName), "ms");
    forms().Form1->hide();
    return 0;
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

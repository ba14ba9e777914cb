// The preferences and the select-a-directory window on an X server of their
// own: every page at the design size with nothing cut, out of place or over
// something else, once with the built-in English texts and once with the
// language table's texts of these windows made 30 % longer; every control
// with a name for screen readers. With LUMORA_SCREENSHOT_DIR set, each page
// is saved there as a picture to look at.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "platform/application.h"
#include "settings/apply_language_table.h"
#include "settings/language_table.h"
#include "settings/page_picture.h"
#include "settings/preferences_window.h"
#include "settings/select_directory_window.h"
#include "support/layout_faults.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/forms.h"
#include "ui/tabbed_notebook.h"

#include <QTest>

namespace lumora {
namespace {

bool isPagePicture(const QWidget* widget) {
    return qobject_cast<const TPagePicture*>(widget) != nullptr;
}

// A text 30 % longer, as a language with longer words would have it.
QString longer(const QString& text) {
    const int extra = (int(text.size()) * 3 + 9) / 10;
    QString filler;
    while (filler.size() < extra)
        filler += QStringLiteral(" Langwort");
    return text + filler.left(extra);
}

// The language table's texts made longer, applied as a pack would be.
void applyLongerTexts() {
    QStringList lines;
    for (const LanguagePosition& position : languageTable())
        lines << longer(QString::fromUtf8(position.english));
    ApplyLanguageTable(lines);
}

int run(int argc, char** argv) {
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();
    TApplication app(argc, argv);
    test::ProgramForms program(check.failOnMessage());
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");

    TForm4& preferences = *forms().Form4;
    TForm6& directory = *forms().Form6;
    const auto look = [&](const QString& pass) {
        preferences.show();
        check.check(QTest::qWaitForWindowExposed(&preferences),
                    QStringLiteral("preferences not exposed"));
        check.check(preferences.size() == QSize(394, 405), QStringLiteral("preferences at %1 x %2")
                                                               .arg(preferences.width())
                                                               .arg(preferences.height()));
        TTabbedNotebook& notebook = *preferences.TabbedNotebook1;
        for (int page = 0; page < notebook.count(); ++page) {
            notebook.setCurrentIndex(page);
            QTest::qWait(50);
            const QString where = QStringLiteral("%1, page %2: ").arg(pass, notebook.tabText(page));
            for (const QString& fault : test::windowFaults(&preferences, isPagePicture))
                check.fail(where + fault);
            if (!shots.isEmpty())
                preferences.grab().save(
                    QStringLiteral("%1/preferences-%2-%3.png").arg(shots, pass).arg(page + 1));
        }
        preferences.hide();

        directory.show();
        check.check(QTest::qWaitForWindowExposed(&directory),
                    QStringLiteral("directory window not exposed"));
        check.check(directory.size() == QSize(387, 68),
                    QStringLiteral("directory window at %1 x %2")
                        .arg(directory.width())
                        .arg(directory.height()));
        QTest::qWait(50);
        for (const QString& fault : test::windowFaults(&directory, isPagePicture))
            check.fail(pass + QStringLiteral(", directory window: ") + fault);
        if (!shots.isEmpty())
            directory.grab().save(QStringLiteral("%1/directory-%2.png").arg(shots, pass));
        directory.hide();
    };
    look(QStringLiteral("english"));
    applyLongerTexts();
    look(QStringLiteral("longer"));

    program.end();
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

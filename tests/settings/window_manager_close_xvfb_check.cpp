// The preferences and the own-filter setup closed by a window manager
// (openbox, Alt+F4) on an X server of their own, each opened from the main
// window's menu: what the settings file keeps must be what is in force. The
// preferences' Images > Stretch is ticked and the window closed: the picture
// view stretches and the file says so. The own filter's mask is edited and
// the window closed: the file and the menu item keep the applied mask.
// Exit 0: passed; 77: skipped (no Xvfb, openbox or xdotool); 1: failed.

#include "app/main_window.h"
#include "platform/application.h"
#include "settings/ini_file.h"
#include "settings/own_filter_window.h"
#include "settings/preferences_window.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"
#include "ui/tabbed_notebook.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace lumora {
namespace {

QString stored(const char* section, const char* key) {
    return IniFile().readString(QLatin1String(section), QLatin1String(key),
                                QStringLiteral("(missing)"));
}

int run(int argc, char** argv) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (!test::WindowManager::installed() || xdotool.isEmpty()) {
        std::printf("SKIP: openbox or xdotool is not installed\n");
        return 77;
    }
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();
    test::WindowManager openbox;
    if (!openbox.start()) {
        check.fail(QStringLiteral("openbox did not take the screen"));
        return check.report();
    }
    // A user who keeps pictures unstretched and one own filter.
    const IniFile settings;
    QDir().mkpath(QFileInfo(settings.path()).absolutePath());
    QFile file(settings.path());
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(
        "[preferences]\r\nCheckBox6_Checked=False\r\n"
        "[own filter]\r\nEdit971_Text=Pictures\r\nEdit972_Text=*.jpg\r\n");
    file.close();

    TApplication app(argc, argv);
    test::ProgramForms program(check.failOnMessage());
    TForm1& main = *forms().Form1;
    main.show();
    check.check(QTest::qWaitForWindowExposed(&main), QStringLiteral("main window not exposed"));

    // Runs `edit` in the window opened by `command` and closes it with the
    // window manager's Alt+F4, as a user would.
    const auto closeByWindowManager = [&](QDialog& window, const char* command,
                                          const std::function<void()>& edit) {
        QTimer::singleShot(0, &window, [&] {
            if (!QTest::qWaitForWindowActive(&window, 5000)) {
                check.fail(window.windowTitle() + QStringLiteral(" never became active"));
                window.done(0);
                return;
            }
            edit();
            QProcess::execute(xdotool, {QStringLiteral("key"), QStringLiteral("alt+F4")});
            if (!QTest::qWaitFor([&] { return !window.isVisible(); }, 5000)) {
                check.fail(window.windowTitle() + QStringLiteral(" stayed open after Alt+F4"));
                window.done(0);
            }
        });
        main.findChild<QAction*>(QLatin1String(command))->trigger();
    };

    TForm4& preferences = *forms().Form4;
    check.check(!main.jpg->Stretch(), QStringLiteral("the stored Stretch was not applied"));
    closeByWindowManager(preferences, "Preferences1", [&] {
        preferences.TabbedNotebook1->setCurrentIndex(1);
        QTest::qWait(50);
        preferences.CheckBox6->click();
    });
    check.check(stored("preferences", "CheckBox6_Checked") == QLatin1String("True"),
                QStringLiteral("Stretch stored as ") + stored("preferences", "CheckBox6_Checked"));
    check.check(main.jpg->Stretch() && main.StretchImages1->isChecked(),
                QStringLiteral("Stretch stored but the view is not stretched"));

    TForm18& setup = *forms().Form18;
    closeByWindowManager(setup, "SetupOwnFilter1",
                         [&] { setup.maskEdits[0]->setText(QStringLiteral("*.png")); });
    check.check(stored("own filter", "Edit972_Text") == QLatin1String("*.jpg"),
                QStringLiteral("own filter 1 stored as ") + stored("own filter", "Edit972_Text"));
    main.ownFilterItems[0]->trigger();
    check.check(main.FileListBox1->Mask() == QLatin1String("*.jpg"),
                QStringLiteral("own filter 1 applies ") + main.FileListBox1->Mask());

    program.end();
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

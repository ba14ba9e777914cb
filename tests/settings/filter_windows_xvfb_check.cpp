// The own-filter setup, its example pop-up and the easy filter on an X server
// of their own: each at its size with nothing cut or overlapping and every
// control named; the example goes when another window takes the focus and
// never keeps the mouse. With LUMORA_SCREENSHOT_DIR set, each window is saved
// there as a picture to look at.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "app/main_window.h"
#include "platform/application.h"
#include "settings/easy_filter_window.h"
#include "settings/own_filter_window.h"
#include "support/layout_faults.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/forms.h"
#include "ui/rop_win.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

namespace lumora {
namespace {

int run(int argc, char** argv) {
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();
    TApplication app(argc, argv);
    test::ProgramForms program(check.failOnMessage());
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    const auto none = [](const QWidget*) { return false; };

    const auto look = [&](QWidget& window, const QString& name, QSize size) {
        window.show();
        check.check(QTest::qWaitForWindowExposed(&window), name + QStringLiteral(" not exposed"));
        QTest::qWait(50);
        check.check(
            window.size() == size,
            QStringLiteral("%1 at %2 x %3").arg(name).arg(window.width()).arg(window.height()));
        for (const QString& fault : test::windowFaults(&window, none))
            check.fail(name + QStringLiteral(": ") + fault);
        if (!shots.isEmpty())
            window.grab().save(QStringLiteral("%1/%2.png").arg(shots, name));
    };
    TForm18& setup = *forms().Form18;
    look(setup, QStringLiteral("own-filter"), QSize(403, 220));
    TForm19& easy = *forms().Form19;
    look(easy, QStringLiteral("easy-filter"), QSize(329, 257));
    easy.hide();

    // The example: on the screen's middle; another program taking the focus
    // (here the root window) ends it, and the mouse is free afterwards.
    TRopWin& example = *setup.RopWin1;
    forms().Form1->show();
    check.check(QTest::qWaitForWindowExposed(forms().Form1),
                QStringLiteral("main window not exposed"));
    bool grabbed = false;
    QTimer::singleShot(300, [&] {
        grabbed = QWidget::mouseGrabber() == &example;
        if (!shots.isEmpty())
            QGuiApplication::primaryScreen()->grabWindow(0).save(shots +
                                                                 QStringLiteral("/example.png"));
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11->connection();
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, screen->root,
                            XCB_CURRENT_TIME);
        xcb_flush(connection);
    });
    QTimer::singleShot(3000, [&] {
        if (example.isVisible()) {
            check.fail(QStringLiteral("the example stayed up when the focus went elsewhere"));
            example.reject();
        }
    });
    example.Execute();
    check.check(grabbed, QStringLiteral("the example did not hold the mouse"));
    check.check(QWidget::mouseGrabber() == nullptr,
                QStringLiteral("the mouse is still held after the example"));

    program.end();
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

// Plays a slideshow of three solid-colour pictures full-screen on an X server
// of its own (Xvfb) and reads the screen back after each step: every slide
// must be on screen in turn, centred, on the background colour.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "platform/application.h"
#include "settings/preferences_window.h"
#include "slideshow/slideshow_player.h"
#include "support/program_forms.h"
#include "support/slide_watch.h"
#include "support/xvfb_check.h"
#include "ui/color_combo_box.h"
#include "ui/forms.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace lumora {
namespace {

test::XvfbCheck* check = nullptr;

void fail(const QString& what) {
    check->fail(what);
}

QString makeSlide(const QString& folder, const char* name, QColor colour) {
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = folder + u'/' + QString::fromLatin1(name);
    if (!image.save(path, "BMP"))
        fail(QStringLiteral("cannot write ") + path);
    return path;
}

QString name(QColor c) {
    return c.name();
}

int run(int argc, char** argv) {
    test::XvfbCheck xvfb;
    check = &xvfb;
    if (!xvfb.ready())
        return xvfb.exitCode();
    const test::TestHome& home = xvfb.home();

    TApplication app(argc, argv);
    // Nothing of the show may ask anything: every box is a failure.
    test::ProgramForms program(xvfb.failOnMessage());

    const QColor teal(0, 128, 128);
    const QList<QColor> colours{Qt::red, Qt::green, Qt::yellow};
    const QStringList list{makeSlide(home.path(), "red.bmp", colours[0]),
                           makeSlide(home.path(), "green.bmp", colours[1]),
                           makeSlide(home.path(), "yellow.bmp", colours[2])};
    TForm8& player = *forms().Form8;
    forms().Form4->bgcolor->setColorValue(0x808000);
    player.Timer1->setInterval(400);

    // After each slide is painted, the screen is read back from the server.
    QStringList shown;
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    test::watchSlides(player, &player, [&](int number) {
        const QColor want = colours.value(number - 1);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage shot = screen->grabWindow(0).toImage();
        if (!shots.isEmpty())
            shot.save(shots + QStringLiteral("/slide-%1.png").arg(shown.size() + 1));
        const QPoint centre = screen->geometry().center();
        const QColor middle = shot.pixelColor(centre);
        shown << name(middle);
        if (middle != want)
            fail(QStringLiteral("slide %1: centre %2, wanted %3")
                     .arg(shown.size())
                     .arg(name(middle), name(want)));
        // Around the picture and in every corner: the background colour.
        for (QPoint at :
             {QPoint(centre.x() - 152, centre.y()), QPoint(centre.x() + 152, centre.y()),
              QPoint(0, 0), QPoint(shot.width() - 1, 0), QPoint(0, shot.height() - 1),
              QPoint(shot.width() - 1, shot.height() - 1)})
            if (shot.pixelColor(at) != teal)
                fail(QStringLiteral("slide %1: %2,%3 is %4, not the background")
                         .arg(shown.size())
                         .arg(at.x())
                         .arg(at.y())
                         .arg(name(shot.pixelColor(at))));
        if (shown.size() == 4)
            QTest::keyClick(&player, Qt::Key_F4);
    });
    QTimer::singleShot(15000, &player, [&] {
        fail(QStringLiteral("the show did not get through four slides"));
        player.Close();
    });
    player.Start(&list);

    const QStringList wanted{name(colours[0]), name(colours[1]), name(colours[2]),
                             name(colours[0])};
    if (shown != wanted)
        fail(QStringLiteral("slides seen: ") + shown.join(u' ') + QStringLiteral(", wanted ") +
             wanted.join(u' '));
    program.end();
    std::printf("%s: %s\n", xvfb.exitCode() ? "FAILED" : "PASSED", qPrintable(shown.join(u' ')));
    return xvfb.exitCode();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

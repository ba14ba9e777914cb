// The quick slideshow and the full-screen viewer on an X server of their own
// (Xvfb), driven by keys as a user drives them, with the screen read back:
// a folder of three colour pictures and a text file plays the three colours
// full-screen in turn; the viewer shows a small picture centred on black and
// steps with F12.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "platform/application.h"
#include "settings/preferences_window.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_player.h"
#include "support/program_forms.h"
#include "support/slide_watch.h"
#include "support/xvfb_check.h"
#include "ui/color_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace lumora {
namespace {

test::XvfbCheck* check = nullptr;

QImage screenShot(const char* name) {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QString folder = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        shot.save(folder + u'/' + QString::fromLatin1(name) + QStringLiteral(".png"));
    return shot;
}

// JPEG colours come back close to, not exactly at, their value.
bool near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 12;
}

void expectColour(const QImage& shot, QPoint at, QColor wanted, const QString& what) {
    const QColor seen = shot.pixelColor(at);
    check->check(near(seen, wanted), QStringLiteral("%1: %2,%3 is %4, not %5")
                                         .arg(what)
                                         .arg(at.x())
                                         .arg(at.y())
                                         .arg(seen.name(), wanted.name()));
}

void makePicture(const QString& path, QColor colour, const char* format) {
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path, format, 100))
        check->fail(QStringLiteral("cannot write ") + path);
}

// Runs the quick slideshow with Ctrl+Q and watches it: the progress window
// on screen with our animation, then every slide, full-screen, in turn.
void quickSlideshow(TForm1& main, const QList<QColor>& colours) {
    TForm15& progress = *forms().Form15;
    TForm8& player = *forms().Form8;
    const QColor teal(0, 128, 128);
    forms().Form4->bgcolor->setColorValue(0x808000);
    player.Timer1->setInterval(400);
    // One file a tick, the design's pace, so the progress window is there to see.
    main.quickWalkSlice = {};

    bool progressSeen = false;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (progressSeen || QApplication::activeModalWidget() != &progress)
            return;
        progressSeen = true;
        main.qstimer->stop();  // held while the screen is read
        check->check(QTest::qWaitForWindowExposed(&progress),
                     QStringLiteral("progress window not exposed"));
        QTest::qWait(200);
        const QImage shot = screenShot("quick-progress");
        const QRect animation(progress.AnimatedBitmap1->mapToGlobal(QPoint(0, 0)),
                              progress.AnimatedBitmap1->size());
        const QImage drawn = shot.copy(animation).convertToFormat(QImage::Format_RGB32);
        bool ours = false;
        for (int i = 0; i < progress.AnimatedBitmap1->frameCount(); ++i)
            ours = ours || drawn == progress.AnimatedBitmap1->frame(i);
        check->check(ours, QStringLiteral("the progress window does not show a film-strip frame"));
        check->check(progress.Label3->text().startsWith(QLatin1String("File ")),
                     QStringLiteral("counter reads ") + progress.Label3->text());
        main.qstimer->start();
    });
    watch.start();

    QStringList shown;
    QObject context;
    test::watchSlides(player, &context, [&](int number) {
        const QColor want = colours.value(number - 1);
        const QImage shot =
            screenShot(qPrintable(QStringLiteral("quick-slide-%1").arg(shown.size() + 1)));
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        shown << shot.pixelColor(centre).name();
        expectColour(shot, centre, want, QStringLiteral("slide %1").arg(shown.size()));
        for (QPoint at :
             {QPoint(0, 0), QPoint(shot.width() - 1, shot.height() - 1), centre - QPoint(160, 0)})
            expectColour(shot, at, teal, QStringLiteral("slide %1 background").arg(shown.size()));
        if (shown.size() == 3)
            QTest::keyClick(&player, Qt::Key_F4);
    });
    QTimer::singleShot(20000, &context, [&] {
        check->fail(QStringLiteral("the quick slideshow did not get through three slides"));
        player.Close();
        progress.Close();
    });
    QTest::keyClick(&main, Qt::Key_Q, Qt::ControlModifier);  // returns when the player ends
    check->check(progressSeen, QStringLiteral("no progress window"));
    check->check(shown.size() == 3, QStringLiteral("slides seen: ") + shown.join(u' '));
    std::printf("quick slideshow: %s\n", qPrintable(shown.join(u' ')));
}

// Clicks an entry of the file list with the mouse, then opens the viewer with
// Ctrl+F4 and steps with F12.
void viewer(TForm1& main, const QList<QColor>& colours) {
    main.activateWindow();
    check->check(QTest::qWaitForWindowActive(&main), QStringLiteral("main window not active"));
    TFileListBox& list = *main.FileListBox1;
    for (int row = 0; row < list.Count(); ++row) {
        if (list.Item(row) != QLatin1String("a_red.bmp"))
            continue;
        const QModelIndex index = list.model()->index(row, 0);
        list.scrollTo(index);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
    }
    QTest::qWait(100);  // the refresh enables the file commands
    check->check(main.FullScreen1->isEnabled(), QStringLiteral("Fullscreen is disabled"));
    TForm5& viewer = *forms().Form5;
    QStringList seen;
    QTimer::singleShot(0, &viewer, [&] {
        check->check(QTest::qWaitForWindowExposed(&viewer), QStringLiteral("viewer not exposed"));
        QTest::qWait(200);
        QImage shot = screenShot("viewer-small");
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        expectColour(shot, centre, colours[0], QStringLiteral("viewer"));
        // Centred at its own size: the picture's corners are where they
        // should be, black just outside them.
        const QRect picture(centre - QPoint(150, 100), QSize(300, 200));
        expectColour(shot, picture.topLeft() + QPoint(1, 1), colours[0], QStringLiteral("corner"));
        expectColour(shot, picture.bottomRight() - QPoint(1, 1), colours[0],
                     QStringLiteral("corner"));
        for (QPoint at : {picture.topLeft() - QPoint(2, 2), picture.bottomRight() + QPoint(2, 2),
                          QPoint(0, 0), QPoint(shot.width() - 1, shot.height() - 1)})
            expectColour(shot, at, Qt::black, QStringLiteral("around the picture"));
        seen << shot.pixelColor(centre).name();

        QTest::keyClick(&viewer, Qt::Key_F12);
        QTest::qWait(200);
        shot = screenShot("viewer-next");
        expectColour(shot, centre, colours[1], QStringLiteral("after F12"));
        seen << shot.pixelColor(centre).name();
        QTest::keyClick(&viewer, Qt::Key_F12);  // over the text file, unseen
        QTest::qWait(200);
        expectColour(screenShot("viewer-skip"), centre, colours[1],
                     QStringLiteral("after F12 over the text file"));
        check->check(list.Item(list.ItemIndex()) == QLatin1String("d_blue.bmp"),
                     QStringLiteral("selected after the skip: ") + list.Item(list.ItemIndex()));
        QTest::keyClick(&viewer, Qt::Key_F4);
    });
    QObject context;
    QTimer::singleShot(20000, &context, [&] {
        check->fail(QStringLiteral("the viewer did not close"));
        viewer.Close();
    });
    QTest::keyClick(&main, Qt::Key_F4, Qt::ControlModifier);
    check->check(seen.size() == 2, QStringLiteral("the viewer did not open"));
    std::printf("viewer: %s\n", qPrintable(seen.join(u' ')));
}

int run(int argc, char** argv) {
    test::XvfbCheck xvfb;
    check = &xvfb;
    if (!xvfb.ready())
        return xvfb.exitCode();

    const QString folder = xvfb.home().path() + QStringLiteral("/pictures");
    QDir().mkpath(folder);
    const QList<QColor> colours{QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    makePicture(folder + QStringLiteral("/a_red.bmp"), colours[0], "BMP");
    makePicture(folder + QStringLiteral("/b_green.jpg"), colours[1], "JPEG");
    QFile notes(folder + QStringLiteral("/c_notes.txt"));
    notes.open(QIODevice::WriteOnly);
    notes.write("not a picture\n");
    notes.close();
    makePicture(folder + QStringLiteral("/d_blue.bmp"), colours[2], "BMP");
    QDir::setCurrent(folder);

    TApplication app(argc, argv);
    test::ProgramForms program(xvfb.failOnMessage());
    TForm1& main = *forms().Form1;
    main.show();
    main.activateWindow();
    check->check(QTest::qWaitForWindowExposed(&main), QStringLiteral("main window not exposed"));
    QTest::qWait(300);
    main.ShowAllFiles1->trigger();  // the text file is listed too
    check->check(main.FileListBox1->Count() == 5,
                 QStringLiteral("%1 entries listed").arg(main.FileListBox1->Count()));

    quickSlideshow(main, colours);
    viewer(main, colours);

    program.end();
    return xvfb.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

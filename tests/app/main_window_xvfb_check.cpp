// The main window on an X server of its own (Xvfb), started with an argument
// as a user would start it (an empty slideshow, which plays with no box until
// F4): its size, the tree that follows the list with the whole selected node
// in view, and clicks on a file, also on the one already selected after Close
// File.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "platform/application.h"
#include "slideshow/slideshow_player.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace lumora {
namespace {

// Mean difference of two glyphs as they look on white: what the eye sees.
double meanDifference(const QPixmap& first, const QPixmap& second) {
    const auto onWhite = [](const QPixmap& pixmap) {
        QImage image(pixmap.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter(&image).drawPixmap(0, 0, pixmap);
        return image;
    };
    const QImage a = onWhite(first), b = onWhite(second);
    if (a.size() != b.size() || a.isNull())
        return 0;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return double(sum) / (a.width() * a.height() * 3);
}

int run(int argc, char** argv) {
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();

    // The program lists the folder it starts in: one deep in a long tree,
    // with a long name, so that the tree scrolls both ways to show it.
    QDir base(check.home().path());
    for (int i = 0; i < 40; ++i)
        base.mkpath(QStringLiteral("pictures/album%1").arg(i, 2, 10, QLatin1Char('0')));
    const QString folder = base.filePath(QStringLiteral("pictures/album39/") + QString(60, u'x'));
    base.mkpath(folder);
    QImage green(40, 30, QImage::Format_RGB32);
    green.fill(QColor(10, 200, 30));
    green.save(folder + QStringLiteral("/green.bmp"), "BMP");
    QFile(folder + QStringLiteral("/show.lss")).open(QIODevice::WriteOnly);
    QDir::setCurrent(folder);

    TApplication app(argc, argv);
    test::ProgramForms program(check.failOnMessage(), {QStringLiteral("show.lss")});
    TForm1& main = *forms().Form1;
    TForm8& player = *forms().Form8;
    player.Timer1->setInterval(20);
    bool played = false;
    QTimer endShow;
    QObject::connect(&endShow, &QTimer::timeout, &endShow, [&] {
        if (!player.isVisible())
            return;
        QTest::qWait(200);  // ten steps of an empty list
        played = player.Panel1->text() == QStringLiteral("Please Wait");
        QTest::keyClick(&player, Qt::Key_F4);
    });
    endShow.start(20);
    main.show();
    check.check(QTest::qWaitForWindowExposed(&main), QStringLiteral("main window not exposed"));
    QTest::qWait(300);
    endShow.stop();
    check.check(played, QStringLiteral("the empty slideshow did not play"));

    check.check(
        main.size() == QSize(622, 444),
        QStringLiteral("client size %1 x %2, not 622 x 444").arg(main.width()).arg(main.height()));

    TFolderTree& tree = *main.directorylistbox1;
    check.check(main.pendingStartArgument.isEmpty(), QStringLiteral("argument still pending"));
    check.check(
        tree.Directory() == folder,
        QStringLiteral("the tree shows \"%1\", not the list's folder").arg(tree.Directory()));
    if (tree.currentItem()) {
        const QRect node = tree.visualItemRect(tree.currentItem());
        check.check(node.top() >= 0 && node.bottom() <= tree.viewport()->rect().bottom(),
                    QStringLiteral("selected node at %1..%2 of a %3-pixel view")
                        .arg(node.top())
                        .arg(node.bottom())
                        .arg(tree.viewport()->height()));
    }

    TFileListBox& list = *main.FileListBox1;
    const auto clickOn = [&](const QString& entry) { check.clickEntry(list, entry); };
    clickOn(QStringLiteral("green.bmp"));
    check.check(main.jpg->pictureSize() == QSize(40, 30),
                QStringLiteral("first click: no picture"));
    main.closeimage->click();
    check.check(main.jpg->isEmpty(), QStringLiteral("Close File left the picture"));
    clickOn(QStringLiteral("green.bmp"));
    check.check(main.jpg->pictureSize() == QSize(40, 30),
                QStringLiteral("a click on the selected file after Close File shows nothing"));

    // Every toolbar glyph looks different when disabled, as drawn on screen.
    for (QToolButton* button : main.toolbarButtons()) {
        const double difference = meanDifference(button->icon().pixmap(20, QIcon::Normal),
                                                 button->icon().pixmap(20, QIcon::Disabled));
        check.check(difference > 25, QStringLiteral("the %1 glyph looks the same disabled (%2)")
                                         .arg(button->objectName())
                                         .arg(difference));
    }

    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        QGuiApplication::primaryScreen()->grabWindow(0).save(shots + QStringLiteral("/main.png"));

    program.end();
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

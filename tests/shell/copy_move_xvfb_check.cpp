// Copies a 128 MiB file through the toolbar's Copy button on an X server of
// its own (Xvfb), picking the destination from the favourites drop-down, and
// watches the screen meanwhile: the dialog at its size with the focus in the
// destination box, the progress window centred on the screen at 275 x 73,
// and the program's timers and paints going on while the copy runs.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "platform/application.h"
#include "settings/preferences_window.h"
#include "shell/copy_move_window.h"
#include "shell/copy_progress_window.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

namespace lumora {
namespace {

constexpr qint64 kFileSize = 128LL << 20;

bool writeLargeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 i = 0; i < kFileSize / block.size(); ++i) {
        block.fill(char(i));
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

int run(int argc, char** argv) {
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    const auto shoot = [&shots](const char* name) {
        if (!shots.isEmpty())
            QGuiApplication::primaryScreen()->grabWindow(0).save(shots + u'/' +
                                                                 QLatin1String(name));
    };

    QDir home(check.home().path());
    home.mkpath(QStringLiteral("films/archive"));
    const QString folder = home.filePath(QStringLiteral("films"));
    const QString archive = home.filePath(QStringLiteral("films/archive"));
    if (!writeLargeFile(folder + QStringLiteral("/holiday.avi"))) {
        check.fail(QStringLiteral("cannot write the film"));
        return check.exitCode();
    }

    TApplication app(argc, argv);
    test::ProgramForms program(check.failOnMessage());
    TForm1& main = *forms().Form1;
    TForm3& dialog = *forms().Form3;
    forms().Form4->ListBox1->item(0)->setText(archive);
    main.show();
    check.check(QTest::qWaitForWindowExposed(&main), QStringLiteral("main window not exposed"));
    main.FileListBox1->setMask(QStringLiteral("*.*"));
    main.directorylistbox1->setDirectory(folder);
    QTest::qWait(200);
    main.FileListBox1->selectItem(QStringLiteral("holiday.avi"));
    QTest::qWait(1100);  // the refresh enables the file commands
    check.check(main.copy->isEnabled(), QStringLiteral("Copy is not enabled"));

    // While the copy runs: a timer's ticks and the main window's paints.
    int ticks = 0;
    int paints = 0;
    bool progressSeen = false;
    QElapsedTimer copyTime;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        QWidget* progress = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<Tprogform*>(window) && window->isVisible())
                progress = window;
        if (!progress || progressSeen)
            return;
        progressSeen = true;
        const QRect frame = progress->geometry();
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        check.check(
            frame.size() == QSize(275, 73),
            QStringLiteral("progress window %1 x %2").arg(frame.width()).arg(frame.height()));
        check.check((frame.center() - centre).manhattanLength() <= 2,
                    QStringLiteral("progress window not centred"));
        check.check(progress->windowTitle() == QLatin1String("Copying.."),
                    QStringLiteral("progress caption ") + progress->windowTitle());
        shoot("copy-progress.png");
    });
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);

    // The dialog is driven from timers: it, and the drop-down, run event loops of their own.
    QTimer::singleShot(400, &main, [&] {
        check.check(dialog.isVisible(), QStringLiteral("the copy dialog did not open"));
        check.check(dialog.size() == QSize(417, 125),
                    QStringLiteral("dialog %1 x %2").arg(dialog.width()).arg(dialog.height()));
        check.check(QApplication::focusWidget() == dialog.destination,
                    QStringLiteral("the focus is not in the destination box"));
        shoot("copy-dialog.png");
        QTimer::singleShot(300, &main, [&] {
            check.check(dialog.PopupMenu1->isVisible(), QStringLiteral("no favourites menu"));
            shoot("copy-favorites.png");
            QTest::keyClick(dialog.PopupMenu1, Qt::Key_Down);
            QTest::keyClick(dialog.PopupMenu1, Qt::Key_Return);
            QTimer::singleShot(200, &main, [&] {
                check.check(dialog.destination->text() == archive,
                            QStringLiteral("destination ") + dialog.destination->text());
                main.installEventFilter(&counter);
                for (QWidget* child : main.findChildren<QWidget*>())
                    child->installEventFilter(&counter);
                ticker.start();
                copyTime.start();
                QTest::mouseClick(dialog.Button1, Qt::LeftButton);
                ticker.stop();
            });
        });
        QTest::mouseClick(dialog.favorites, Qt::LeftButton);
    });
    QTimer::singleShot(30000, &main, [&] {
        check.fail(QStringLiteral("the copy did not end"));
        dialog.Close();
    });
    QTest::mouseClick(main.copy, Qt::LeftButton);

    const qint64 elapsed = copyTime.isValid() ? copyTime.elapsed() : 0;
    std::printf("copy took %lld ms: %d timer ticks, %d paints of the main window\n",
                static_cast<long long>(elapsed), ticks, paints);
    check.check(progressSeen, QStringLiteral("no progress window seen"));
    // Events every 50 ms at most while copying; the clock repaints each second.
    check.check(ticks >= elapsed / 200, QStringLiteral("only %1 timer ticks").arg(ticks));
    check.check(elapsed < 1500 || paints > 0, QStringLiteral("the main window did not paint"));
    check.check(!dialog.isVisible(), QStringLiteral("the dialog stayed open"));
    check.check(QFileInfo(archive + QStringLiteral("/holiday.avi")).size() == kFileSize,
                QStringLiteral("the copy is not whole"));
    check.check(forms().Form21->History.join(u'\n').contains(
                    QStringLiteral("Copied holiday.avi to") + archive + u','),
                QStringLiteral("no history entry"));

    program.end();
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

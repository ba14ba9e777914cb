// The slideshow editor on an X server of its own (Xvfb), driven as a user
// would: Create from the main window, Add All by a click, a slide previewed
// on screen, saved, opened again and played. Every control must show its
// whole text at the design size.
// Exit 0: passed; 77: skipped (no Xvfb); 1: failed.

#include "app/main_window.h"
#include "app/start_up.h"
#include "platform/application.h"
#include "platform/mci_backend/backend.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "support/xvfb_check.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"
#include "ui/picture_view.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace lumora {
namespace {

test::XvfbCheck* check = nullptr;

// Save and Open answer with one file; any message box is a failure.
class ScriptedDialogs final : public Dialogs {
public:
    QString file;
    QStringList offered;  // the file names the dialogs offered
    MsgResult message(QWidget*, const QString&, const QString& text, MsgIcon, MsgButtons) override {
        check->fail(QStringLiteral("message box: ") + text);
        return MsgResult::Ok;
    }
    QString openFile(QWidget*, const FileDialogOptions& options) override {
        offered << options.fileName;
        return file;
    }
    QStringList openFiles(QWidget*, const FileDialogOptions&) override { return {}; }
    QString saveFile(QWidget*, const FileDialogOptions& options) override {
        offered << options.fileName;
        return file;
    }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
};

// Every button and label shows its whole text inside the window.
void checkNothingClipped(TForm7& editor) {
    const QRect client = editor.rect();
    for (QWidget* widget : editor.findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        const QRect inWindow(widget->mapTo(&editor, QPoint(0, 0)), widget->size());
        check->check(client.contains(inWindow),
                     widget->objectName() + QStringLiteral(" reaches out of the window"));
    }
    for (QPushButton* button : editor.findChildren<QPushButton*>())
        check->check(button->width() >= button->sizeHint().width(),
                     button->objectName() + QStringLiteral(" cuts its caption"));
    for (QLabel* label : editor.findChildren<QLabel*>()) {
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        check->check(label->height() >= needed &&
                         (label->wordWrap() || label->width() >= label->sizeHint().width()),
                     label->objectName() + QStringLiteral(" cuts its text"));
    }
}

void waitUntil(const std::function<bool()>& done, const QString& what) {
    if (!QTest::qWaitFor(done, 5000))
        check->fail(QStringLiteral("timed out: ") + what);
}

void click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

int run(int argc, char** argv) {
    test::XvfbCheck xvfb;
    check = &xvfb;
    if (!xvfb.ready())
        return xvfb.exitCode();
    const QString folder = xvfb.home().path() + QStringLiteral("/pictures");
    QDir().mkpath(folder);
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < colours.size(); ++i) {
        QImage picture(160, 120, QImage::Format_RGB32);
        picture.fill(colours[i]);
        picture.save(folder + QStringLiteral("/%1.bmp").arg(i), "BMP");
    }

    TApplication app(argc, argv);
    ScriptedDialogs dialogs;
    dialogs.file = xvfb.home().path() + QStringLiteral("/show.lss");
    setDialogs(&dialogs);
    useLinkedMediaBackend();
    createForms({});
    TForm1& main = *forms().Form1;
    TForm7& editor = *forms().Form7;
    editor.DirectoryListBox1->setDirectory(folder);
    main.show();
    check->check(QTest::qWaitForWindowExposed(&main),
                 QStringLiteral("the main window was never exposed"));
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    auto screenshot = [&](const char* name) {
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        if (!shots.isEmpty())
            shot.save(shots + u'/' + QLatin1String(name));
        return shot;
    };

    bool sawPlayer = false;
    QTimer::singleShot(0, &editor, [&] {
        waitUntil([&] { return editor.isActiveWindow(); }, QStringLiteral("editor active"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        check->check(editor.size() == QSize(484, 487), QStringLiteral("editor not 484 x 487"));
        check->check((editor.frameGeometry().center() - screen.center()).manhattanLength() <= 2,
                     QStringLiteral("editor not centred"));
        check->check(editor.windowTitle() == QStringLiteral("Create/Edit Slideshow"),
                     QStringLiteral("caption ") + editor.windowTitle());
        checkNothingClipped(editor);

        click(editor.Button10);
        waitUntil([&] { return !editor.addingAll(); }, QStringLiteral("Add All"));
        check->check(editor.ListBox1->count() == colours.size(),
                     QStringLiteral("%1 slides after Add All").arg(editor.ListBox1->count()));
        const QRect second = editor.ListBox1->visualItemRect(editor.ListBox1->item(1));
        QTest::mouseClick(editor.ListBox1->viewport(), Qt::LeftButton, {}, second.center());
        QTest::qWait(100);
        const QImage shot = screenshot("editor.png");
        const QPoint preview = editor.Image1->mapToGlobal(editor.Image1->rect().center());
        check->check(shot.pixelColor(preview) == colours[1],
                     QStringLiteral("preview shows %1").arg(shot.pixelColor(preview).name()));
        checkNothingClipped(editor);

        click(editor.Button3);  // Save
        const QStringList saved = editor.ListBox1->Items();
        click(editor.Button6);  // Remove All
        click(editor.Button2);  // Open
        check->check(dialogs.offered.value(1) == dialogs.file,
                     QStringLiteral("Open offered ") + dialogs.offered.value(1));
        check->check(editor.ListBox1->Items() == saved && readPathList(dialogs.file) == saved,
                     QStringLiteral("the opened list differs from the saved one"));

        QTimer::singleShot(300, &editor, [&] {
            TForm8& player = *forms().Form8;
            sawPlayer = player.isVisible() && player.ListBox1 == saved;
            screenshot("player.png");
            QTest::keyClick(&player, Qt::Key_F4);
        });
        click(editor.Button11);  // Play: returns once the player closed
        check->check(editor.isVisible() && editor.isEnabled(),
                     QStringLiteral("editor gone after the player"));
        click(editor.Button7);  // Close
    });
    QTimer::singleShot(20000, &main, [&] {
        check->fail(QStringLiteral("the editor did not finish"));
        QApplication::exit(1);
    });
    main.Create1->trigger();
    check->check(sawPlayer, QStringLiteral("the player did not show the list"));
    check->check(!editor.isVisible(), QStringLiteral("Close left the editor open"));

    destroyForms();
    setDialogs(nullptr);
    return xvfb.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

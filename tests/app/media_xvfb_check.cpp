// Media playback on an X server of its own (Xvfb), driven as a user drives
// it: a click on a sound in the file list shows the media player window and
// plays; a click on an MPEG file plays it in the preview's video panel and
// stops the sound; the player window rolls up and down (by the window
// manager's shading when openbox is installed, else by its own strip); Close
// File closes both. Media are made by ffmpeg.
// Exit 0: passed; 77: skipped (no Xvfb or no ffmpeg); 1: failed.

#include "app/main_window.h"
#include "media/media_player_window.h"
#include "media/win_roller.h"
#include "platform/application.h"
#include "platform/net_wm_state.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/position_bar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace lumora {
namespace {

bool ffmpeg(const QStringList& arguments, const QString& output) {
    QStringList all{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                    QStringLiteral("error"), QStringLiteral("-y")};
    return QProcess::execute(QStringLiteral("ffmpeg"), all << arguments << output) == 0;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

void screenshot(const QString& name) {
    QTest::qWait(200);  // what the last step changed is painted
    const QString shots = qEnvironmentVariable("LUMORA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        QGuiApplication::primaryScreen()->grabWindow(0).save(shots + u'/' + name);
}

int run(int argc, char** argv) {
    test::XvfbCheck check;
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
        std::printf("SKIP: ffmpeg is not installed\n");
        return 77;
    }
    if (!check.ready())
        return check.exitCode();

    const QString folder = check.home().path() + QStringLiteral("/media");
    QDir().mkpath(folder);
    // Three seconds of sound; three seconds of a moving test picture with sound.
    if (!ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a", "pcm_s16le"},
                folder + QStringLiteral("/tone.wav")) ||
        !ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3", "-f", "lavfi",
                 "-i", "sine=frequency=300:duration=3", "-c:v", "mpeg1video", "-q:v", "3", "-c:a",
                 "mp2", "-f", "mpeg"},
                folder + QStringLiteral("/clip.mpg"))) {
        check.fail(QStringLiteral("ffmpeg made no media"));
        return check.exitCode();
    }
    QDir::setCurrent(folder);

    TApplication app(argc, argv);
    // A window manager that shades, where one is installed.
    QProcess windowManager;
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (!openbox.isEmpty())
        windowManager.start(openbox, {QStringLiteral("--sm-disable")});
    const bool shading =
        !openbox.isEmpty() && waitUntil([] { return netWmStateOffered("_NET_WM_STATE_SHADED"); });
    std::printf("window manager: %s\n", shading ? "openbox, shading" : "none: own roll-up");

    test::ProgramForms program(check.failOnMessage());
    TForm1& main = *forms().Form1;
    TForm2& player = *forms().Form2;
    main.show();
    check.check(QTest::qWaitForWindowExposed(&main), QStringLiteral("main window not exposed"));
    QTest::qWait(300);

    TFileListBox& list = *main.FileListBox1;
    const auto clickOn = [&](const QString& entry) { check.clickEntry(list, entry); };

    // A sound: the player window shows and plays, its bar moving.
    clickOn(QStringLiteral("tone.wav"));
    check.check(QTest::qWaitForWindowExposed(&player), QStringLiteral("player window not shown"));
    check.check(main.Mediaplayer1->isChecked() && main.mplayer->isChecked(),
                QStringLiteral("Mediaplayer not marked"));
    MciDevice& sound = *player.MediaPlayer1;
    check.check(
        waitUntil([&] { return player.trackbar1->value() > 700; }),
        QStringLiteral("the sound's bar does not move (position %1)").arg(sound.position()));
    check.check(sound.mode() == MciMode::Playing, QStringLiteral("the sound does not play"));
    check.check(!player.ToolbarButton971->isEnabled(),
                QStringLiteral("Play enabled while playing"));
    check.check(player.Label1->text() == QLatin1String("tone.wav"),
                QStringLiteral("label \"%1\"").arg(player.Label1->text()));
    screenshot(QStringLiteral("media-sound.png"));

    // Rolled up by a double-click on the window's background, and down again.
    TWinRoller& roller = *player.WinRoller1;
    QTest::mouseDClick(&player, Qt::LeftButton, {}, QPoint(3, 30));
    if (shading) {
        check.check(waitUntil([&] { return hasNetWmState(&player, "_NET_WM_STATE_SHADED"); }),
                    QStringLiteral("the window manager did not shade the player"));
    } else {
        QTest::qWait(100);
        check.check(roller.strip()->isVisible() && player.height() < 30,
                    QStringLiteral("not rolled up: %1 high").arg(player.height()));
    }
    check.check(roller.Roller(), QStringLiteral("the roller does not say it is rolled up"));
    QTest::qWait(200);
    screenshot(QStringLiteral("media-rolled.png"));
    roller.setRoller(false);
    if (shading) {
        check.check(waitUntil([&] { return !hasNetWmState(&player, "_NET_WM_STATE_SHADED"); }),
                    QStringLiteral("the window manager did not unshade the player"));
        // The window manager shades and unshades by its own gestures too:
        // the roller follows.
        requestNetWmState(&player, "_NET_WM_STATE_SHADED", true);
        check.check(waitUntil([&] { return roller.Roller(); }),
                    QStringLiteral("the roller missed the window manager's shading"));
        requestNetWmState(&player, "_NET_WM_STATE_SHADED", false);
        check.check(waitUntil([&] { return !roller.Roller(); }),
                    QStringLiteral("the roller missed the window manager's unshading"));
    }
    check.check(waitUntil([&] { return player.height() == 67; }),
                QStringLiteral("not whole again: %1 high").arg(player.height()));

    // An MPEG: it plays in the panel, the sound stops.
    clickOn(QStringLiteral("clip.mpg"));
    MciDevice& video = *main.MediaPlayer2;
    check.check(main.Panel6->isVisible(), QStringLiteral("video panel hidden"));
    check.check(sound.mode() == MciMode::Stopped, QStringLiteral("the sound plays on"));
    check.check(waitUntil([&] { return video.framesDrawn() > 10; }),
                QStringLiteral("%1 frames drawn").arg(video.framesDrawn()));
    check.check(waitUntil([&] { return main.Scrollbar321->value() > 500; }),
                QStringLiteral("the video's bar does not move"));
    const QImage panel = main.Panel6->grab().toImage();
    const QRgb centre = panel.pixel(panel.width() / 2, (panel.height() - 41) / 2);
    check.check(qGray(centre) > 20, QStringLiteral("the panel's centre is black"));
    screenshot(QStringLiteral("media-video.png"));

    // Close File: the player window closes, the video stops.
    main.closeimage->click();
    check.check(!player.isVisible() && !main.Mediaplayer1->isChecked(),
                QStringLiteral("Close File left the player window"));
    check.check(!main.Panel6->isVisible() && video.mode() == MciMode::Stopped,
                QStringLiteral("Close File left the video"));
    screenshot(QStringLiteral("media-closed.png"));

    program.end();
    if (windowManager.state() != QProcess::NotRunning) {
        windowManager.terminate();
        windowManager.waitForFinished(3000);
    }
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    return lumora::run(argc, argv);
}

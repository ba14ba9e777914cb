// The main window's side of media playback: the media player window and the
// inline player of the preview.
#include "app/main_window.h"

#include "media/media_player_window.h"
#include "platform/errors.h"
#include "platform/launch.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/position_bar.h"

#include <QAction>
#include <QFileInfo>
#include <QLayout>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

namespace lumora {
namespace {

// A player without a device, or one that does not play, is left alone: a
// picture click never raises "No MCI device open".
void stopIfPlaying(MciDevice& player) {
    if (player.mode() == MciMode::Playing)
        player.stop();
}

}  // namespace

void TForm1::buildInlinePlayer() {
    // The bar at the panel's foot: black like the panel, 41 high; narrow
    // buttons leave the position bar room.
    Panel7->setFixedHeight(41);
    Panel6->setAccessibleName(QStringLiteral("Video"));
    for (QPushButton* button : {Button1, Button2, Button3, Button4})
        button->setMaximumWidth(64);
    MediaPlayer2 = mci().createDevice();
    // The picture fits the panel above the bar, never under it.
    MediaPlayer2->setDisplay(VideoArea);
    connectHandler(Scrollbar321, &TPositionBar::Scroll, this, &TForm1::Scrollbar321Scroll);
    Scrollbar321->setSeekInFlight([this] { return MediaPlayer2->seeking(); });
}

void TForm1::Mediaplayer1Click() {
    // The mark and the button follow the window, and only this handler
    // (and the window's own closing) sets them.
    if (Mediaplayer1->isChecked()) {
        Mediaplayer1->setChecked(false);
        mplayer->setChecked(false);
        forms().Form2->close();
        AddHistoryEntry(QStringLiteral("Hide Mediaplayer,"));
    } else {
        Mediaplayer1->setChecked(true);
        mplayer->setChecked(true);
        forms().Form2->show();
        AddHistoryEntry(QStringLiteral("Show Mediaplayer,"));
    }
}

void TForm1::mplayerClick() {
    Mediaplayer1Click();
}

void TForm1::mediaPlayerClosing() {
    Mediaplayer1->setChecked(false);
    mplayer->setChecked(false);
}

void TForm1::Mixer1Click() {
    // The desktop's mixer: PulseAudio's where it is installed, else ALSA's in
    // a terminal. What a started mixer does is not looked at further.
    QString missing;
    if (!launch().startProgram(QStringLiteral("pavucontrol"), {}, {})) {
        // A terminal would open and close at once on a missing alsamixer.
        if (QStandardPaths::findExecutable(QStringLiteral("alsamixer")).isEmpty())
            missing = QStringLiteral("neither pavucontrol nor alsamixer is installed");
        else if (!launch().startProgram(QStringLiteral("x-terminal-emulator"),
                                        {QStringLiteral("-e"), QStringLiteral("alsamixer")}, {}))
            missing = QStringLiteral(
                "pavucontrol is not installed, and alsamixer needs a terminal "
                "(x-terminal-emulator), which is not installed");
    }
    AddHistoryEntry(QStringLiteral("Launched Mixer Device,"));
    if (!missing.isEmpty())
        throw EError(QStringLiteral("No mixer could be started: %1.").arg(missing));
}

void TForm1::playSound(const QString& path) {
    stopIfPlaying(*MediaPlayer2);
    showOnly(nullptr);
    if (!Mediaplayer1->isChecked())
        Mediaplayer1Click();
    forms().Form2->playFile(path);
    StatusPanels.setText(0, QFileInfo(path).fileName());
    StatusPanels.setText(1, QString());
}

void TForm1::playMpeg(const QString& path) {
    stopIfPlaying(*forms().Form2->MediaPlayer1);
    showOnly(Panel6);
    // The panel takes its place now, so the pictures are made at its size.
    Panel3->layout()->activate();
    Scrollbar321->setMaximum(0);  // nothing is loaded should the open fail
    MediaPlayer2->open(path);
    Scrollbar321->setMaximum(MediaPlayer2->trackLength(1));
    MediaPlayer2->play();
    Panel6->repaint();
    StatusPanels.setText(0, QFileInfo(path).fileName());
    StatusPanels.setText(1, QString());
}

void TForm1::stopPlayers() {
    stopIfPlaying(*MediaPlayer2);
    stopIfPlaying(*forms().Form2->MediaPlayer1);
}

void TForm1::closePlayers() {
    if (forms().Form2->isVisible())
        forms().Form2->close();
    if (Panel6->isVisible()) {
        stopIfPlaying(*MediaPlayer2);
        Panel6->setVisible(false);
    }
}

void TForm1::Button1Click() {
    MediaPlayer2->play();
}

void TForm1::Button2Click() {
    MediaPlayer2->pause();
}

void TForm1::Button3Click() {
    MediaPlayer2->stop();
    MediaPlayer2->rewind();
}

void TForm1::Button4Click() {
    Panel6->repaint();
}

void TForm1::Scrollbar321Scroll() {
    if (MediaPlayer2->fileName().isEmpty())
        return;
    MediaPlayer2->pause();
    MediaPlayer2->seek(Scrollbar321->sliderPosition());
    MediaPlayer2->play();
}

void TForm1::refreshInlinePlayer() {
    // The panel's pending paints need no push: Qt paints them in this same
    // pass of the event loop.
    if (MediaPlayer2->isOpen())
        Scrollbar321->showPosition(MediaPlayer2->position(), MediaPlayer2->trackLength(1));
    const bool playing = MediaPlayer2->mode() == MciMode::Playing;
    if (playing != inlinePlayerBusy_) {
        inlinePlayerBusy_ = playing;
        RefreshPacer::instance().setBusy(Panel6, playing);
    }
}

}  // namespace lumora

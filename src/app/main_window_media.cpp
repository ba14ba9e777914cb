// The main window's side of media playback: the media player window and the
// inline player of the preview.
#include "app/main_window.h"

#include "media/media_player_window.h"
#include "ui/forms.h"
#include "ui/history.h"

#include <QAction>
#include <QToolButton>

namespace lumora {

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

}  // namespace lumora

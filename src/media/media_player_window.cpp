#include "media/media_player_window.h"

#include "media/win_roller.h"
#include "platform/dialogs.h"
#include "settings/form_storage.h"
#include "ui/history.h"
#include "ui/position_bar.h"
#include "ui/toolbar_glyphs.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace lumora {
namespace {

QToolButton* playerButton(QWidget* window, const char* name, const QString& hint,
                          const char* themeIcon, QStyle::StandardPixmap fallback, int x) {
    auto* button = named(new QToolButton(window), name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);  // the glyph alone says nothing to a screen reader
    button->setAutoRaise(true);
    button->setIcon(themedGlyph(themeIcon, fallback));
    button->setGeometry(x, 22, 24, 24);
    return button;
}

}  // namespace

TForm2::TForm2() {
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Mediaplayer"));
    setFixedSize(233, 67);

    trackbar1 = named(new TPositionBar(this), "trackbar1");
    trackbar1->setGeometry(8, 4, 217, 16);
    trackbar1->setSingleStep(1000);
    trackbar1->setPageStep(5000);

    ToolbarButton971 = playerButton(this, "ToolbarButton971", QStringLiteral("Play"),
                                    "media-playback-start", QStyle::SP_MediaPlay, 8);
    ToolbarButton972 = playerButton(this, "ToolbarButton972", QStringLiteral("Pause"),
                                    "media-playback-pause", QStyle::SP_MediaPause, 34);
    ToolbarButton973 = playerButton(this, "ToolbarButton973", QStringLiteral("Stop"),
                                    "media-playback-stop", QStyle::SP_MediaStop, 60);

    CheckBox1 = named(new QCheckBox(QStringLiteral("Loop Play"), this), "CheckBox1");
    CheckBox1->setGeometry(100, 24, 125, 20);

    Label1 = named(new QLabel(this), "Label1");
    Label1->setAlignment(Qt::AlignCenter);
    QFont small = Label1->font();
    small.setPixelSize(9);
    Label1->setFont(small);
    Label1->setGeometry(0, 50, 233, 14);

    // The hover feedback of "Loop Play".
    for (QWidget* part :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(Label1),
          static_cast<QWidget*>(ToolbarButton971), static_cast<QWidget*>(ToolbarButton972),
          static_cast<QWidget*>(ToolbarButton973), static_cast<QWidget*>(CheckBox1)}) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }

    MediaPlayer1 = mci().createDevice();
    WinRoller1 = named(new TWinRoller(this), "WinRoller1");

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    // The refresh runs while the window shows: closing it stops the player,
    // so nothing can reach its end (and loop) while it is hidden.
    runWhileVisible(Timer1, [this] { Timer1Timer(); });

    connectCommand(this, "ToolbarButton971", &TForm2::ToolbarButton971Click);
    connectCommand(this, "ToolbarButton972", &TForm2::ToolbarButton972Click);
    connectCommand(this, "ToolbarButton973", &TForm2::ToolbarButton973Click);
    connectHandler(trackbar1, &TPositionBar::Scroll, this, &TForm2::trackbar1Scroll);
    trackbar1->setSeekInFlight([this] { return MediaPlayer1->seeking(); });

    FormStorage1 = new TFormStorage(this, QStringLiteral("mediaplayer"),
                                    {QStringLiteral("CheckBox1.Checked")});
}

TForm2::~TForm2() {
    keepPace(false);
}

void TForm2::playFile(const QString& path) {
    // Opening closes the file before: should this one fail, the window
    // shows that nothing is loaded.
    Label1->clear();
    trackbar1->setMaximum(0);
    MediaPlayer1->open(path);
    trackbar1->setMaximum(MediaPlayer1->trackLength(1));
    MediaPlayer1->play();
    Label1->setText(QFileInfo(path).fileName());
}

bool TForm2::fileSelected() {
    if (fileLoaded())
        return true;
    dialogs().message(this, QStringLiteral("Error"), QStringLiteral("No file selected!"),
                      MsgIcon::Error, MsgButtons::Ok);
    return false;
}

void TForm2::ToolbarButton971Click() {
    AddHistoryEntry(QStringLiteral("Play Mediafile,"));
    if (fileSelected())
        MediaPlayer1->play();
}

void TForm2::ToolbarButton972Click() {
    AddHistoryEntry(QStringLiteral("Pause Mediafile,"));
    if (fileSelected())
        MediaPlayer1->pause();
}

void TForm2::ToolbarButton973Click() {
    AddHistoryEntry(QStringLiteral("Stop Mediafile,"));
    if (!fileSelected())
        return;
    MediaPlayer1->stop();
    MediaPlayer1->rewind();
}

void TForm2::trackbar1Scroll() {
    if (!fileLoaded())
        return;
    MediaPlayer1->pause();
    MediaPlayer1->seek(trackbar1->sliderPosition());
    MediaPlayer1->play();
}

void TForm2::Timer1Timer() {
    MciDevice& player = *MediaPlayer1;
    if (fileLoaded())
        trackbar1->showPosition(player.position(), player.trackLength(1));
    ToolbarButton971->setEnabled(player.mode() != MciMode::Playing);
    // The end is exact: the device stands at its length once it has played
    // out. A medium of no length would start again at every tick.
    const int length = player.trackLength(1);
    if (fileLoaded() && length > 0 && player.position() == length && CheckBox1->isChecked())
        player.play();
    keepPace(player.mode() == MciMode::Playing);
}

void TForm2::keepPace(bool playing) {
    if (playing == busy_)
        return;
    busy_ = playing;
    RefreshPacer::instance().setBusy(this, playing);
}

void TForm2::FormCloseQuery(bool& canClose) {
    emit closing();
    if (fileLoaded())
        MediaPlayer1->stop();
    canClose = true;
}

void TForm2::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    keepPace(false);
}

void TForm2::setLoopHighlighted(bool highlighted) {
    QFont font = CheckBox1->font();
    if (font.underline() == highlighted)
        return;
    font.setUnderline(highlighted);
    CheckBox1->setFont(font);
    QPalette palette = this->palette();
    if (highlighted)
        palette.setColor(QPalette::WindowText, Qt::blue);
    CheckBox1->setPalette(palette);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched == CheckBox1) {
            setLoopHighlighted(true);
        } else if (watched != this) {
            setLoopHighlighted(false);
        } else {
            // A move the check box or the bar passed on to the window is theirs.
            const QWidget* under = childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (under != CheckBox1 && under != trackbar1)
                setLoopHighlighted(false);
        }
    }
    return TForm::eventFilter(watched, event);
}

}  // namespace lumora

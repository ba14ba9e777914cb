#pragma once

#include "platform/mci.h"
#include "ui/form.h"

#include <memory>

class QCheckBox;
class QLabel;
class QTimer;
class QToolButton;

namespace lumora {

class TFormStorage;
class TPositionBar;
class TWinRoller;

// The media player window: sounds and MIDI play here.
class TForm2 : public TForm {
    Q_OBJECT
public:
    TForm2();
    ~TForm2() override;

    TPositionBar* trackbar1;
    QToolButton* ToolbarButton971;  // Play
    QToolButton* ToolbarButton972;  // Pause
    QToolButton* ToolbarButton973;  // Stop
    QCheckBox* CheckBox1;           // Loop Play
    QLabel* Label1;
    std::unique_ptr<MciDevice> MediaPlayer1;
    QTimer* Timer1;
    TWinRoller* WinRoller1;
    TFormStorage* FormStorage1;

    // A file is loaded: the player holds an open medium. A failed open
    // leaves none, so nothing acts on a broken file again.
    bool fileLoaded() const { return !MediaPlayer1->fileName().isEmpty(); }

    // The preview hands a sound over: opens it, sizes the bar, plays it and
    // shows its name. An open error ends it with EMciError.
    void playFile(const QString& path);

public slots:
    void ToolbarButton971Click();
    void ToolbarButton972Click();
    void ToolbarButton973Click();
    void trackbar1Scroll();
    void Timer1Timer();

signals:
    // The window is closing (its close box or the main window's command):
    // the main window clears its "Mediaplayer" mark and button.
    void closing();

protected:
    void FormCloseQuery(bool& canClose) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "No file selected!" when nothing is loaded.
    bool fileSelected();
    void setLoopHighlighted(bool highlighted);
    void keepPace(bool playing);

    bool busy_ = false;  // the refresh runs at the fast pace while playing
};

}  // namespace lumora

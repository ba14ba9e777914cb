#pragma once

#include "ui/form.h"

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace lumora {

class TSlidePrefetch;

// The player's picture: drawn centred at its own size, never scaled; a picture
// larger than the view is cut at the edges. Where there is no picture the
// window's colour shows through.
class TSlideImage : public QWidget {
    Q_OBJECT
public:
    explicit TSlideImage(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(QImage picture);
    void clearPicture() { setPicture(QImage()); }
    // Counts setPicture() calls, so a paint can be matched with its picture.
    quint64 pictureSerial() const { return serial_; }
    // Where the picture lies in the view (may reach beyond it).
    QRect pictureRect() const;

signals:
    // After every paint, with the serial of the picture it drew.
    void painted(quint64 serial);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    quint64 serial_ = 0;
};

// The full-screen slideshow player.
class TForm8 : public TDialogForm {
    Q_OBJECT
public:
    TForm8();
    ~TForm8() override;

    TSlideImage* Image1;
    QLabel* Panel1;  // the caption along the bottom edge
    QMenu* PopupMenu1;
    QAction* NextImage1;
    QAction* PreviousImage1;
    QAction* ManualCycle1;
    QAction* EndSlideShow1;
    QTimer* Timer1;  // the step timer; its interval is set by the preferences' OK
    QTimer* Timer2;  // keeps "Previous Image" enabled or disabled

    // The play list. The quick slideshow fills it itself and starts with nullptr.
    QStringList ListBox1;
    // The index of the slide shown, or -1 before the first slide.
    int position() const { return position_; }

    // Decode the next slide in the background while one is shown (off: every
    // step decodes on the GUI thread, as the design's synchronous call does).
    void setLookAhead(bool on);
    bool lookAhead() const { return lookAhead_; }
    const TSlidePrefetch& prefetch() const { return *prefetch_; }

    // Hooks for the sound setup window (TForm22), which fills them in its
    // creation handler: startSounds plays the first sound of its list when
    // the option is on and the list is not empty; stopSounds stops its
    // player if it is playing. Empty hooks: no sound.
    std::function<void()> startSounds;
    std::function<void()> stopSounds;

    // The start sequence: colour, empty picture, the list (copied from source;
    // nullptr keeps the play list as filled), maximised, step timer on, first
    // slide at once, then shown modally. Returns when the player has closed.
    void Start(const QStringList* source);
    // The same without the modal show, for callers that show it themselves.
    void prepareShow(const QStringList* source);

    // The preferences' OK: the step delay.
    void applyPreferences();

public slots:
    void Timer1Timer();
    void Timer2Timer();
    void NextImage1Click();
    void PreviousImage1Click();
    void ManualCycle1Click();
    void EndSlideShow1Click();
    // The window's key handler: F2, F4, F6, F7; other keys are ignored.
    void FormKeyDown(int key);

protected:
    void FormActivate() override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void step();
    void showSlide(int index);
    void prefetchNext();
    void endShow(bool fromMenu);
    // Once a show, however it ends.
    void stopShowSounds();
    void layOut();

    std::unique_ptr<TSlidePrefetch> prefetch_;
    QString prefetchAfterPaint_;  // the next slide, requested after the coming paint
    int position_ = -1;
    bool lookAhead_ = true;
    bool soundsToStop_ = false;
};

}  // namespace lumora

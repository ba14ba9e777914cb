#pragma once

#include "slideshow/slide_prefetch.h"
#include "ui/form.h"

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QScrollArea;

namespace lumora {

class TSlideImage;

// The full-screen viewer of the main window's preview picture: black, on top
// of everything, the picture at its own size, centred when it is smaller than
// the screen and scrollable when larger. Stepping goes through the main
// window's file list and preview; the viewer only asks for it.
class TForm5 : public TDialogForm {
    Q_OBJECT
public:
    TForm5();
    ~TForm5() override;

    QScrollArea* ScrollBox1;
    TSlideImage* jpg;
    QMenu* PopupMenu1;
    QAction* NextImage1;
    QAction* PreviousImage1;

    // Opening: shows picture (the preview's) and the window modally over the
    // screen that holds the main window. Returns when the viewer has closed.
    void Open(const QImage& picture);
    void prepareShow(const QImage& picture);

    // Shows another picture; a null one leaves the screen black.
    void showPicture(const QImage& picture);

    // The look-ahead: decoder makes what the main window's preview would show
    // for a file. Until it is set nothing is decoded ahead.
    void setLookAheadDecoder(std::function<QImage(const QString& path)> decoder);
    // Decodes path once the picture on screen has been painted; an empty path
    // drops what was decoded ahead.
    void lookAhead(const QString& path);
    // The picture of path: decoded ahead when it was, otherwise decoded now;
    // nullopt without a decoder.
    std::optional<QImage> takePicture(const QString& path);
    void dropLookAhead();
    const TSlidePrefetch* prefetch() const { return prefetch_.get(); }

signals:
    // Asks the main window to step its file list: +1 down, -1 up.
    void stepRequested(int direction);

public slots:
    void NextImage1Click();
    void PreviousImage1Click();
    // The window's key handler: F4 closes, F11 and F12 step; other keys are ignored.
    void FormKeyDown(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<TSlidePrefetch> prefetch_;
    QString aheadAfterPaint_;  // requested once the coming paint is on screen
};

}  // namespace lumora

#pragma once

// Inside the media-control layer: video frames drawn into a player's display.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <atomic>

class QWidget;

namespace lumora::mci_internal {

// Lives on the GUI thread. Decoding threads ask targetSize() to convert frames
// to the size they will be drawn at and hand them over through a queued call
// to show(); the frame is painted when the display paints (an event filter, so
// the display's children stay on top).
class VideoSurface final : public QObject {
public:
    VideoSurface() = default;
    ~VideoSurface() override;

    void setDisplay(QWidget* display);
    void show(const QImage& frame);

    // Where frames are drawn, fitted to the display; empty without a display.
    // Safe from any thread.
    QSize targetSize() const;
    int framesDrawn() const { return drawn_; }

    // The frame size that fits `natural` into `area`: shrunk to fit with its
    // aspect ratio kept, never enlarged.
    static QSize fitted(QSize natural, QSize area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setArea(QSize size);

    QPointer<QWidget> display_;
    QImage frame_;
    bool painted_ = true;  // the current frame has been drawn once
    std::atomic<int64_t> area_{0};
    std::atomic<int> drawn_{0};
};

}  // namespace lumora::mci_internal

#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

class QTimer;

namespace lumora {

// A looping strip of frames, one shown at a time, while the window is visible.
class TAnimatedBitmap : public QWidget {
    Q_OBJECT
public:
    TAnimatedBitmap(std::vector<QImage> frames, int frameMs, QWidget* parent = nullptr);

    int frameCount() const { return int(frames_.size()); }
    int currentFrame() const { return current_; }
    const QImage& frame(int index) const { return frames_[size_t(index)]; }
    QTimer* frameTimer() const { return timer_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::vector<QImage> frames_;
    QTimer* timer_;
    int current_ = 0;
};

}  // namespace lumora

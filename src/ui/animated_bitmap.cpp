#include "ui/animated_bitmap.h"

#include <QPainter>
#include <QTimer>

namespace lumora {

TAnimatedBitmap::TAnimatedBitmap(std::vector<QImage> frames, int frameMs, QWidget* parent)
    : QWidget(parent), frames_(std::move(frames)), timer_(new QTimer(this)) {
    timer_->setInterval(frameMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        current_ = (current_ + 1) % qMax(1, frameCount());
        update();
    });
    if (!frames_.empty())
        setFixedSize(frames_.front().size());
}

QSize TAnimatedBitmap::sizeHint() const {
    return frames_.empty() ? QSize() : frames_.front().size();
}

void TAnimatedBitmap::paintEvent(QPaintEvent*) {
    if (frames_.empty())
        return;
    QPainter(this).drawImage(0, 0, frames_[size_t(current_)]);
}

void TAnimatedBitmap::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_->start();
}

void TAnimatedBitmap::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

}  // namespace lumora

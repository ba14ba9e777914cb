#include "platform/mci_backend/mci_video.h"

#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>

namespace lumora::mci_internal {

VideoSurface::~VideoSurface() {
    setDisplay(nullptr);
}

void VideoSurface::setDisplay(QWidget* display) {
    if (display_ == display)
        return;
    if (display_) {
        display_->removeEventFilter(this);
        disconnect(display_, nullptr, this, nullptr);
        display_->update();
    }
    display_ = display;
    setArea(display ? display->size() : QSize());
    if (display) {
        display->installEventFilter(this);
        // Nothing is converted for a display that is gone.
        connect(display, &QObject::destroyed, this, [this] { setArea({}); });
        display->update();
    }
}

void VideoSurface::show(const QImage& frame) {
    frame_ = frame;
    painted_ = false;
    if (display_)
        display_->update();
}

QSize VideoSurface::targetSize() const {
    const int64_t packed = area_;
    return {int(packed >> 32), int(packed & 0xFFFFFFFF)};
}

QSize VideoSurface::fitted(QSize natural, QSize area) {
    if (natural.isEmpty() || area.isEmpty())
        return {};
    if (natural.width() <= area.width() && natural.height() <= area.height())
        return natural;
    const QSize size = natural.scaled(area, Qt::KeepAspectRatio);
    return size.expandedTo({1, 1});
}

void VideoSurface::setArea(QSize size) {
    area_ = size.isEmpty() ? 0 : int64_t(size.width()) << 32 | uint32_t(size.height());
}

bool VideoSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched != display_)
        return false;
    if (event->type() == QEvent::Resize) {
        setArea(static_cast<QResizeEvent*>(event)->size());
    } else if (event->type() == QEvent::Paint && !frame_.isNull()) {
        // Frames are converted at the size they are shown at; after a resize
        // the ones in flight are drawn scaled until new ones arrive.
        const QRect area = display_->rect();
        const QSize size = fitted(frame_.size(), area.size());
        QRect target(QPoint(), size);
        target.moveCenter(area.center());
        QPainter painter(display_);
        painter.drawImage(target, frame_);
        if (!painted_) {
            painted_ = true;
            ++drawn_;
        }
        return true;
    }
    return false;
}

}  // namespace lumora::mci_internal

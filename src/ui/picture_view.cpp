#include "ui/picture_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace lumora {

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage TImage::picture() const {
    if (!metafile_.isNull())
        return metafile_.toImage(metafile_.size());
    return picture_;
}

QSize TImage::pictureSize() const {
    return metafile_.isNull() ? picture_.size() : metafile_.size();
}

void TImage::setMetafile(const Metafile& metafile) {
    picture_ = QImage();
    metafile_ = metafile;
    scaled_ = QImage();
    update();
}

void TImage::setPicture(const QImage& picture) {
    metafile_ = Metafile();
    picture_ = picture;
    scaled_ = QImage();
    update();
}

void TImage::setStretch(bool stretch) {
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    scaled_ = QImage();
    update();
}

void TImage::setCenter(bool center) {
    if (center_ == center)
        return;
    center_ = center;
    update();
}

QRect TImage::pictureRect() const {
    if (isEmpty())
        return {};
    if (stretch_)
        return rect();
    const QSize size = pictureSize();
    if (center_)
        return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    return QRect(QPoint(0, 0), size);
}

void TImage::paintEvent(QPaintEvent* event) {
    if (!metafile_.isNull()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        metafile_.play(painter, pictureRect());
        return;
    }
    if (picture_.isNull())
        return;
    QPainter painter(this);
    if (stretch_) {
        // Scaling a large picture on every repaint would make resizing stutter:
        // the scaled copy is kept until the size changes.
        if (scaled_.size() != size())
            scaled_ = picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(0, 0, scaled_);
        return;
    }
    painter.drawImage(pictureRect().topLeft(), picture_);
}

void TImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (stretch_)
        scaled_ = QImage();
}

}  // namespace lumora

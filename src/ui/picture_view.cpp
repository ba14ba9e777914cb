#include "ui/picture_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

namespace lumora {

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage TImage::picture() const {
    if (!metafile_.isNull())
        return metafile_.toImage(metafile_.size());
    if (file_)
        return file_->decodeWhole();
    return picture_;
}

QSize TImage::pictureSize() const {
    return metafile_.isNull() ? fullSize_ : metafile_.size();
}

void TImage::setMetafile(const Metafile& metafile) {
    picture_ = QImage();
    file_.reset();
    fullSize_ = QSize();
    metafile_ = metafile;
    scaled_ = QImage();
    update();
}

void TImage::setPicture(const QImage& picture) {
    metafile_ = Metafile();
    file_.reset();
    picture_ = picture;
    fullSize_ = picture.size();
    scaled_ = QImage();
    update();
}

void TImage::setPictureFile(std::shared_ptr<const PictureFile> file) {
    metafile_ = Metafile();
    scaled_ = QImage();
    picture_ = QImage();
    fullSize_ = QSize();
    file_ = std::move(file);
    if (file_ && stretch_) {
        decodeFor(size());
    } else if (file_) {
        picture_ = file_->decodeWhole();
        fullSize_ = picture_.size();
        file_.reset();
    }
    update();
}

QSize TImage::screenSize() const {
    const QScreen* shown = screen();
    return shown ? shown->size() : size();
}

void TImage::decodeFor(QSize size) {
    PicturePart part = file_->decode(PictureNeed::scaledTo(size));
    fullSize_ = part.fullSize;
    picture_ = std::move(part.image);
    extent_ = part.extent;
    // A format that only decodes whole is scaled once, to the screen.
    const QSize bound = screenSize().expandedTo(size);
    if (picture_.width() > bound.width() || picture_.height() > bound.height()) {
        const QSize kept = picture_.size().boundedTo(bound);
        picture_ = scaledExtent(picture_, extent_, kept);
        extent_ = QSizeF();
    }
    // Kept whole, or not at all: the file is not needed again.
    if (picture_.isNull() || picture_.size() == fullSize_)
        file_.reset();
}

void TImage::setStretch(bool stretch) {
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    scaled_ = QImage();
    if (!stretch_ && file_) {
        // Drawn at its own size: every pixel shows.
        picture_ = file_->decodeWhole();
        file_.reset();
    }
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
        if (scaled_.size() != size()) {
            const bool needsMore =
                (width() > picture_.width() && picture_.width() < fullSize_.width()) ||
                (height() > picture_.height() && picture_.height() < fullSize_.height());
            if (file_ && needsMore)
                decodeFor(size());
            scaled_ = scaledExtent(picture_, file_ ? extent_ : QSizeF(), size());
        }
        painter.drawImage(0, 0, scaled_);
        // A picture with no more pixels than the view (the start's splash) is
        // scaled again at its next paint, in a millisecond, rather than kept
        // twice; a larger one keeps its copy.
        if (qint64(picture_.width()) * picture_.height() <= qint64(width()) * height())
            scaled_ = QImage();
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

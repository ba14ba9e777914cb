#pragma once

#include "metafile/metafile.h"

#include <QImage>
#include <QWidget>

namespace lumora {

// The picture view: a still picture at its own size from the top-left, centred
// with Center, scaled to fill the view (aspect ratio not kept) with Stretch.
// Stretch wins over Center.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    // The picture as a bitmap; a metafile is rendered at its own size.
    QImage picture() const;
    void setPicture(const QImage& picture);
    // A metafile stays a vector picture, drawn afresh at the size it is shown.
    void setMetafile(const Metafile& metafile);
    void clearPicture() { setPicture(QImage()); }
    bool isEmpty() const { return picture_.isNull() && metafile_.isNull(); }
    bool isMetafile() const { return !metafile_.isNull(); }
    QSize pictureSize() const;

    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    bool Center() const { return center_; }
    void setCenter(bool center);

    // Where the picture is drawn in the view.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture_;
    Metafile metafile_;
    // Drawn as an image: the backing store is an image too, and a pixmap copy
    // would double the memory of a large picture.
    QImage scaled_;  // the stretched copy for the current size
    bool stretch_ = false;
    bool center_ = false;
};

}  // namespace lumora

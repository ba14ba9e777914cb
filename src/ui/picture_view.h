#pragma once

#include "metafile/metafile.h"
#include "nviewlib/nviewlib.h"

#include <QImage>
#include <QWidget>
#include <memory>

namespace lumora {

// The picture view: a still picture at its own size from the top-left, centred
// with Center, scaled to fill the view (aspect ratio not kept) with Stretch.
// Stretch wins over Center.
//
// A picture given as its file is decoded for the way it is drawn: stretched,
// only a screen-sized copy is made and kept (a JPEG decoded at a smaller DCT
// scale), and a view that grows past it decodes the file again; at its own
// size, the whole picture.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    // The whole picture as a bitmap: a metafile is rendered at its own size,
    // a file of which only a smaller copy is kept is decoded whole again.
    QImage picture() const;
    void setPicture(const QImage& picture);
    // The picture of a file, decoded as it is drawn; a null file or one that
    // does not decode leaves the view empty.
    void setPictureFile(std::shared_ptr<const PictureFile> file);
    // A metafile stays a vector picture, drawn afresh at the size it is shown.
    void setMetafile(const Metafile& metafile);
    void clearPicture() { setPicture(QImage()); }
    bool isEmpty() const { return picture_.isNull() && metafile_.isNull(); }
    bool isMetafile() const { return !metafile_.isNull(); }
    // The whole picture's size, also while only a smaller copy is kept.
    QSize pictureSize() const;
    // Whether only a copy smaller than the whole picture is kept.
    bool holdsReducedCopy() const { return file_ != nullptr; }
    // The pixels kept: the whole picture, or the smaller copy.
    QSize keptSize() const { return picture_.size(); }

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
    void decodeFor(QSize size);
    QSize screenSize() const;

    // The whole picture, or (with file_) a copy no larger than the screen.
    QImage picture_;
    // Kept only while picture_ is a smaller copy: where the whole comes from.
    std::shared_ptr<const PictureFile> file_;
    QSize fullSize_;
    QSizeF extent_;  // how much of a smaller copy holds the picture (PicturePart::extent)
    Metafile metafile_;
    // Drawn as an image: the backing store is an image too, and a pixmap copy
    // would double the memory of a large picture.
    QImage scaled_;  // the stretched copy for the current size, of a picture larger than the view
    bool stretch_ = false;
    bool center_ = false;
};

}  // namespace lumora

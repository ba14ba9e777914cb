#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <memory>
#include <utility>

namespace lumora {

// How a caller draws a picture, so that a decoder makes only the pixels that
// show: the whole picture at its own size, the whole picture stretched to a
// size, or the part that a view of a size shows of the picture centred at its
// own size (cut at the edges when it is larger).
struct PictureNeed {
    enum class Kind { Whole, ScaledTo, CentredIn };
    Kind kind = Kind::Whole;
    QSize size;

    static PictureNeed whole() { return {}; }
    static PictureNeed scaledTo(QSize size) { return {Kind::ScaledTo, size}; }
    static PictureNeed centredIn(QSize view) { return {Kind::CentredIn, view}; }
    bool operator==(const PictureNeed&) const = default;
};

// What a decoder made for a need: image holds region of the whole picture,
// possibly at fewer pixels than region has (a JPEG decoded with DCT scaling
// for a stretched view gets at least the stretched size, not more).
struct PicturePart {
    QImage image;    // null when the file cannot be decoded
    QSize fullSize;  // the whole picture's size, upright; empty with a null image
    QRect region;    // in the whole picture's pixels
    // How many of image's pixels region fills, where fewer than all: DCT
    // scaling rounds a last partial block up to a whole pixel. Empty when
    // region fills the whole image.
    QSizeF extent;
    bool isWhole() const { return !image.isNull() && image.size() == fullSize; }
    static PicturePart whole(QImage image) {
        const QSize size = image.size();
        return {std::move(image), size, QRect(QPoint(0, 0), size), QSizeF()};
    }
};

// image smooth-scaled to size, of which only extent (empty: all of it) holds
// the picture: the partial edge pixels of a DCT-scaled decode are not
// stretched across the view. Each pixel of the result averages the area of
// the source it covers.
QImage scaledExtent(const QImage& image, QSizeF extent, QSize size);

// The part of a picture of fullSize that a view of viewSize shows with the
// picture centred at its own size.
QRect centredVisiblePart(QSize fullSize, QSize viewSize);

// Decodes a JPEG/JIF, DIB/RLE, TGA or PCX picture file. Returns a null image
// when the file cannot be decoded. flag is 1 for the main window's preview and
// 0 for the slideshow editor and player; both decode the same way.
// The decoder is chosen by the file's content; the extension only decides
// between formats that have no signature (TGA, a DIB without file header).
QImage NViewLibLoad(const QString& fileName, int flag);
// The same, making only what need asks for.
PicturePart NViewLibLoad(const QString& fileName, int flag, const PictureNeed& need);

// A picture file read into memory once, to be decoded again at another size
// or whole when full pixels are wanted: what it decodes to does not change
// when the file on disk changes or goes.
class PictureFile {
public:
    enum class Reader {
        Any,         // NViewLibLoad's: by content, then by extension
        BitmapFile,  // Windows bitmap files only (".BMP" in the preview)
    };
    // Null when path is not a regular file or too large to be a picture.
    static std::shared_ptr<const PictureFile> read(const QString& path,
                                                   Reader reader = Reader::Any);

    PicturePart decode(const PictureNeed& need) const;
    QImage decodeWhole() const { return decode(PictureNeed::whole()).image; }

private:
    PictureFile(QByteArray bytes, const QString& fileName, Reader reader);
    QByteArray bytes_;
    QString extension_;  // upper case, without the dot
    Reader reader_;
};

// In-memory decoders, one per format. Each returns a null image for anything
// it cannot decode completely.

// JPEG/JIF through libjpeg, EXIF orientation applied. Greyscale pictures come
// back as Format_Grayscale8, the rest as Format_RGB32.
QImage decodeJpeg(const QByteArray& data);
// Only what need asks for: a stretched view gets the picture decoded with
// libjpeg's DCT scaling at the smallest N/8 that is not smaller than the
// size in either direction; a centred view gets only the rows and columns it
// shows (cropped and skipped scanlines).
PicturePart decodeJpeg(const QByteArray& data, const PictureNeed& need);

// The picture view's reload of a JPEG: libjpeg quantises to 256 colours with
// Floyd-Steinberg dithering and two-pass colour selection, accurate integer
// IDCT, fancy upsampling (what `djpeg -colors 256` does). Format_Indexed8.
QImage decodeJpegQuantized(const QByteArray& data);
QImage decodeJpegQuantized(const QString& path);

// A Windows bitmap file ("BM" file header): 1/2/4/8/16/24/32 bit, BI_RGB,
// BI_BITFIELDS, BI_ALPHABITFIELDS, RLE4, RLE8, bottom-up and top-down.
QImage decodeBitmapFile(const QByteArray& data);

// A packed DIB: the same without the file header, the pixels right after the
// header and palette.
QImage decodeDib(const QByteArray& data);

// Truevision TGA: colour-mapped, true-colour and grey, raw and RLE.
QImage decodeTga(const QByteArray& data);

// ZSoft PCX: 1/2/4/8 bit paletted, 1 bit in up to 4 planes, 24/32 bit.
QImage decodePcx(const QByteArray& data);

// The largest picture any decoder makes, in pixels.
inline constexpr qint64 kMaxPixels = qint64(1) << 28;
// The largest picture file worth reading: four bytes a pixel of the largest
// picture and room for headers and palettes.
inline constexpr qint64 kMaxPictureFileSize = kMaxPixels * 4 + (qint64(1) << 20);

}  // namespace lumora

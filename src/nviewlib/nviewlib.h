#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace lumora {

// Decodes a JPEG/JIF, DIB/RLE, TGA or PCX picture file. Returns a null image
// when the file cannot be decoded. flag is 1 for the main window's preview and
// 0 for the slideshow editor and player; both decode the same way.
// The decoder is chosen by the file's content; the extension only decides
// between formats that have no signature (TGA, a DIB without file header).
QImage NViewLibLoad(const QString& fileName, int flag);

// In-memory decoders, one per format. Each returns a null image for anything
// it cannot decode completely.

// JPEG/JIF through libjpeg, EXIF orientation applied. Greyscale pictures come
// back as Format_Grayscale8, the rest as Format_RGB32.
QImage decodeJpeg(const QByteArray& data);

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

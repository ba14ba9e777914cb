#include "platform/icon_images.h"

#include "platform/icons.h"

#include <QtEndian>

#include <cstring>

namespace lumora {
namespace icon_images {

constexpr qsizetype kBitmapHeaderSize = 40;

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

quint16 le16(QByteArrayView d, qsizetype at) {
    return qFromLittleEndian<quint16>(d.data() + at);
}
quint32 le32(QByteArrayView d, qsizetype at) {
    return qFromLittleEndian<quint32>(d.data() + at);
}

bool isPng(QByteArrayView d) {
    return d.size() >= 8 && std::memcmp(d.data(), kPngSignature, 8) == 0;
}

// Width and height from a PNG's first chunk, which must be its header.
std::optional<Header> pngHeader(QByteArrayView d) {
    if (d.size() < 26 || std::memcmp(d.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    const quint32 width = qFromBigEndian<quint32>(d.data() + 16);
    const quint32 height = qFromBigEndian<quint32>(d.data() + 20);
    const int depth = quint8(d[24]);
    int channels = 1;
    switch (quint8(d[25])) {
        case 2:
            channels = 3;
            break;
        case 4:
            channels = 2;
            break;
        case 6:
            channels = 4;
            break;
        default:
            break;
    }
    if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide)
        return std::nullopt;
    return Header{int(width), int(height), depth * channels};
}

struct Bitmap {
    Header header;
    bool topDown = false;
    int colours = 0;  // palette entries
    qsizetype paletteAt = 0;
};

std::optional<Bitmap> bitmapHeader(QByteArrayView d) {
    if (d.size() < kBitmapHeaderSize)
        return std::nullopt;
    const quint32 headerSize = le32(d, 0);
    if (headerSize < kBitmapHeaderSize || headerSize > quint32(d.size()))
        return std::nullopt;
    const qint32 width = qint32(le32(d, 4));
    const qint64 doubledHeight = qint32(le32(d, 8));
    const int bits = le16(d, 14);
    const quint32 compression = le32(d, 16);
    const quint32 coloursUsed = le32(d, 32);
    const qint64 height = (doubledHeight < 0 ? -doubledHeight : doubledHeight) / 2;
    if (compression != 0 || width <= 0 || width > kMaxIconSide || height <= 0 ||
        height > kMaxIconSide)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return std::nullopt;
    Bitmap bitmap;
    bitmap.header = {width, int(height), bits};
    bitmap.topDown = doubledHeight < 0;
    if (bits <= 8) {
        bitmap.colours = 1 << bits;
        if (coloursUsed != 0 && coloursUsed < quint32(bitmap.colours))
            bitmap.colours = int(coloursUsed);
    }
    bitmap.paletteAt = headerSize;
    return bitmap;
}

// The chunks that make the picture, each whole within the data, then the
// end: the decoder never sees a chunk larger than the data or the text and
// colour profiles that unpack to any size.
QByteArray pictureChunks(QByteArrayView d) {
    QByteArray kept(d.data(), 8);
    for (qsizetype at = 8; at + 12 <= d.size();) {
        const quint32 length = qFromBigEndian<quint32>(d.data() + at);
        if (length > quint64(d.size() - at - 12))
            break;
        const QByteArrayView type = d.sliced(at + 4, 4);
        if (type == "IEND")
            break;
        if (type == "IHDR" || type == "PLTE" || type == "tRNS" || type == "IDAT")
            kept.append(d.data() + at, 12 + qsizetype(length));
        at += 12 + qsizetype(length);
    }
    static constexpr char kEnd[] = "\0\0\0\0IEND\xAE\x42\x60\x82";
    return kept.append(kEnd, 12);
}

QImage decodePng(QByteArrayView d) {
    // The header is checked first: the decoder never sees a larger image.
    if (!pngHeader(d))
        return {};
    QImage image = QImage::fromData(pictureChunks(d), "PNG");
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage decodeBitmap(QByteArrayView d) {
    const std::optional<Bitmap> bitmap = bitmapHeader(d);
    if (!bitmap)
        return {};
    const auto [width, height, bits] = bitmap->header;
    const qsizetype colourStride = ((qsizetype(width) * bits + 31) / 32) * 4;
    const qsizetype maskStride = ((qsizetype(width) + 31) / 32) * 4;
    const qsizetype coloursAt = bitmap->paletteAt + 4 * qsizetype(bitmap->colours);
    const qsizetype maskAt = coloursAt + colourStride * height;
    if (maskAt > d.size())
        return {};  // the colours are cut short
    // Some writers leave the mask out of 32-bit images; without it all is opaque.
    const bool hasMask = maskAt + maskStride * height <= d.size();

    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(d.data());
    const auto paletteColour = [&](int index) -> QRgb {
        if (index >= bitmap->colours)
            return qRgb(0, 0, 0);
        const uchar* entry = bytes + bitmap->paletteAt + 4 * index;
        return qRgb(entry[2], entry[1], entry[0]);
    };
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const int stored = bitmap->topDown ? y : height - 1 - y;
        const uchar* row = bytes + coloursAt + stored * colourStride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bits) {
                case 1:
                    out[x] = paletteColour((row[x / 8] >> (7 - x % 8)) & 1);
                    break;
                case 4:
                    out[x] = paletteColour((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
                    break;
                case 8:
                    out[x] = paletteColour(row[x]);
                    break;
                case 24:
                    out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                default:
                    out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
                    anyAlpha = anyAlpha || row[4 * x + 3] != 0;
                    break;
            }
        }
    }
    // An image with alpha keeps it; any other takes its transparency from the mask.
    if (!anyAlpha) {
        for (int y = 0; y < height; ++y) {
            const int stored = bitmap->topDown ? y : height - 1 - y;
            const uchar* mask = bytes + maskAt + stored * maskStride;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const bool clear = hasMask && ((mask[x / 8] >> (7 - x % 8)) & 1);
                out[x] = clear ? 0 : (out[x] | 0xFF000000u);
            }
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

std::optional<Header> peekHeader(QByteArrayView data) {
    if (isPng(data))
        return pngHeader(data);
    if (const std::optional<Bitmap> bitmap = bitmapHeader(data))
        return bitmap->header;
    return std::nullopt;
}

QImage decode(QByteArrayView data) {
    return isPng(data) ? decodePng(data) : decodeBitmap(data);
}

}  // namespace icon_images

QByteArray icoFileBytes(const QImage& image) {
    if (image.isNull() || image.width() > 256 || image.height() > 256)
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    const int maskStride = ((width + 31) / 32) * 4;
    const quint32 imageBytes = quint32(width * height * 4 + maskStride * height);

    QByteArray out;
    const auto put16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    const auto put32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    // The directory: one icon, one entry.
    put16(0);
    put16(1);
    put16(1);
    out.append(char(width == 256 ? 0 : width));
    out.append(char(height == 256 ? 0 : height));
    out.append(char(0));  // no palette
    out.append(char(0));
    put16(1);   // planes
    put16(32);  // bits
    put32(quint32(icon_images::kBitmapHeaderSize) + imageBytes);
    put32(6 + 16);
    // The bitmap: colours and mask, twice the height, rows bottom up.
    put32(icon_images::kBitmapHeaderSize);
    put32(quint32(width));
    put32(quint32(2 * height));
    put16(1);
    put16(32);
    put32(0);  // uncompressed
    put32(imageBytes);
    for (int i = 0; i < 4; ++i)
        put32(0);  // resolution and palette counts
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
    }
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < width; ++x)
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        out.append(mask);
    }
    return out;
}

}  // namespace lumora

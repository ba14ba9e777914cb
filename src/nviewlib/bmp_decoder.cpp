// Windows bitmap (BMP/DIB/RLE) decoder.

#include "nviewlib/decode_util.h"
#include "nviewlib/nviewlib.h"

#include <bit>
#include <vector>

namespace lumora {
namespace {

using detail::le16;
using detail::le32;
using detail::les32;

enum : quint32 { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

// An RLE stream can describe a blank picture in a few bytes (end-of-bitmap),
// so the pixel count is bounded by what real encoders produce per input byte
// (a 255-pixel run in two bytes) with generous room.
constexpr qint64 kRlePixelsPerByte = 1024;

struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;  // at most 8 are kept
    uchar lut[256] = {};

    bool set(quint32 m) {
        mask = m;
        if (!m)
            return true;
        shift = std::countr_zero(m);
        const quint32 field = m >> shift;
        if ((field & (field + 1)) != 0)  // holes in the mask: not a colour channel
            return false;
        const int width = std::popcount(field);
        const int drop = width > 8 ? width - 8 : 0;
        shift += drop;
        bits = width - drop;
        for (uint v = 0; v < (1u << bits); ++v)
            lut[v] = uchar(detail::expandBits(v, bits));
        return true;
    }
    uchar get(quint32 pixel) const {
        return mask ? lut[((pixel & mask) >> shift) & ((1u << bits) - 1)] : 0;
    }
};

// Decodes RLE8/RLE4 into one index byte per pixel, rows in stored order.
// Pixels the stream skips (delta, early end of line or bitmap) stay index 0.
// Some encoders (ImageMagick among them) encode each row with its padding to
// 32 bits, so runs into the padding are dropped; a run past the padding, a
// row past the last one or a stream that stops short is corrupt.
bool decodeRle(const uchar* p, qint64 n, bool four, qint64 width, qint64 height,
               std::vector<uchar>& out) {
    const qint64 padded = four ? ((width * 4 + 31) / 32) * 8 : ((width * 8 + 31) / 32) * 4;
    out.assign(size_t(width * height), 0);
    qint64 x = 0, row = 0, i = 0;
    // Room for `count` pixels at (x, row)? Then where they go.
    auto fits = [&](qint64 count) { return row < height && x + count <= padded; };
    auto at = [&]() { return out.data() + row * width + qMin(x, width - 1); };
    auto visible = [&](qint64 count) { return x >= width ? 0 : qMin(count, width - x); };
    while (true) {
        if (i + 2 > n)
            return row >= height;  // all rows ended; only the end-of-bitmap mark is missing
        const uint count = p[i], value = p[i + 1];
        i += 2;
        if (count) {
            if (!fits(count))
                return false;
            uchar* q = at();
            const qint64 shown = visible(count);
            if (four) {
                const uchar hi = uchar(value >> 4), lo = uchar(value & 15);
                for (qint64 k = 0; k < shown; ++k)
                    q[k] = (k & 1) ? lo : hi;
            } else {
                std::memset(q, int(value), size_t(shown));
            }
            x += count;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++row;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta
                if (i + 2 > n)
                    return false;
                x += p[i];
                row += p[i + 1];
                i += 2;
                break;
            default: {  // absolute run of `value` pixels, padded to 16 bits
                const qint64 bytes = four ? (value + 1) / 2 : value;
                if (i + bytes > n)
                    return false;
                if (!fits(value))
                    return false;
                uchar* q = at();
                const qint64 shown = visible(value);
                if (four) {
                    for (qint64 k = 0; k < shown; ++k)
                        q[k] = (k & 1) ? (p[i + k / 2] & 15) : (p[i + k / 2] >> 4);
                } else {
                    std::memcpy(q, p + i, size_t(shown));
                }
                i += bytes + (bytes & 1);
                x += value;
                break;
            }
        }
    }
}

// headerPos: where the info header starts. pixelPos: where the pixels start,
// or -1 for "right after the header, masks and palette" (packed DIB).
QImage decodeDibAt(const uchar* data, qint64 size, qint64 headerPos, qint64 pixelPos) {
    if (headerPos + 4 > size)
        return {};
    const uchar* h = data + headerPos;
    const quint32 headerSize = le32(h);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124)
        return {};
    if (headerPos + headerSize > size)
        return {};

    qint64 width, height;
    int bpp;
    quint32 compression = kRgb, colorsUsed = 0;
    if (core) {
        width = le16(h + 4);
        height = le16(h + 6);
        bpp = int(le16(h + 10));
    } else {
        width = les32(h + 4);
        height = les32(h + 8);
        bpp = int(le16(h + 14));
        compression = le32(h + 16);
        colorsUsed = le32(h + 32);
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0 || width * height > kMaxPixels)
        return {};
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return {};

    // In the OS/2 2.x header 3 and 4 mean Huffman and RLE24, which we do not read.
    const bool bitfields =
        (compression == kBitfields || compression == kAlphaBitfields) && headerSize != 64;
    if (compression == kRle8   ? bpp != 8
        : compression == kRle4 ? bpp != 4
        : bitfields            ? bpp != 16 && bpp != 32
                               : compression != kRgb)
        return {};

    qint64 headerEnd = headerPos + headerSize;
    quint32 masks[4] = {0, 0, 0, 0};
    if (bitfields) {
        const int count = compression == kAlphaBitfields ? 4 : 3;
        if (headerSize >= 52) {
            for (int c = 0; c < count && 40 + 4 * c + 4 <= int(headerSize); ++c)
                masks[c] = le32(h + 40 + 4 * c);
            if (headerSize >= 56)
                masks[3] = le32(h + 52);
        } else {  // the masks follow a 40-byte header
            if (headerEnd + 4 * count > size)
                return {};
            for (int c = 0; c < count; ++c)
                masks[c] = le32(data + headerEnd + 4 * c);
            headerEnd += 4 * count;
        }
    } else if (bpp == 16) {
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    } else if (bpp >= 24) {
        masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff;
    }

    // Palette.
    const int entrySize = core ? 3 : 4;
    const int maxEntries = bpp <= 8 ? 1 << bpp : 0;
    qint64 paletteEntries = bpp <= 8 ? (colorsUsed ? colorsUsed : maxEntries) : colorsUsed;
    if (paletteEntries > 256 && bpp > 8)
        paletteEntries = 0;  // a meaningless hint on a true-colour bitmap
    if (paletteEntries > (size - headerEnd) / entrySize)
        return {};
    const qint64 paletteEnd = headerEnd + paletteEntries * entrySize;
    const int used = bpp <= 8 ? int(qMin<qint64>(paletteEntries, maxEntries)) : 0;
    if (bpp <= 8 && used == 0)
        return {};
    if (pixelPos < 0 || pixelPos == 0)
        pixelPos = paletteEnd;
    if (pixelPos < headerEnd || pixelPos >= size)
        return {};
    const uchar* pixels = data + pixelPos;
    const qint64 available = size - pixelPos;
    auto rowOf = [&](qint64 stored) { return int(topDown ? stored : height - 1 - stored); };

    if (bpp <= 8) {
        const QVector<QRgb> table = detail::readBgrPalette(data + headerEnd, used, entrySize);
        std::vector<uchar> rle;
        qint64 stride = width;  // bytes per stored row of `src`
        const uchar* src = nullptr;
        if (compression == kRle8 || compression == kRle4) {
            if (width * height > (available + 2) * kRlePixelsPerByte)
                return {};
            if (!decodeRle(pixels, available, compression == kRle4, width, height, rle))
                return {};
            src = rle.data();
        } else {
            stride = ((width * bpp + 31) / 32) * 4;
            if (stride * (height - 1) + (width * bpp + 7) / 8 > available)
                return {};
            src = pixels;
        }
        QImage image = detail::allocImage(width, height, QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        detail::Prefault prefault;
        prefault.start(image);
        image.setColorTable(table);
        const bool unpacked = !rle.empty();
        for (qint64 r = 0; r < height; ++r) {
            uchar* line = image.scanLine(rowOf(r));
            if (unpacked)
                std::memcpy(line, src + r * stride, size_t(width));
            else
                detail::unpackIndices(src + r * stride, line, int(width), bpp);
            if (!detail::indicesBelow(line, width, used))
                return {};  // an index past the palette: the file is corrupt
        }
        return image;
    }

    Channel channel[4];
    for (int c = 0; c < 4; ++c)
        if (!channel[c].set(masks[c]))
            return {};
    const bool alpha = masks[3] != 0;
    const qint64 stride = ((width * bpp + 31) / 32) * 4;
    if (stride * (height - 1) + width * (bpp / 8) > available)
        return {};
    QImage image =
        detail::allocImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    detail::Prefault prefault;
    prefault.start(image);
    const bool plain32 = bpp == 32 && masks[0] == 0xff0000 && masks[1] == 0xff00 &&
                         masks[2] == 0xff && (masks[3] == 0 || masks[3] == 0xff000000u);
    for (qint64 r = 0; r < height; ++r) {
        const uchar* s = pixels + r * stride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(rowOf(r)));
        if (plain32) {
            // Stored as B,G,R,A: the byte order of a little-endian QRgb.
            std::memcpy(line, s, size_t(width) * 4);
            if (!alpha)
                for (qint64 x = 0; x < width; ++x)
                    line[x] |= 0xff000000u;
        } else if (bpp == 24) {
            for (qint64 x = 0; x < width; ++x, s += 3)
                line[x] = qRgb(s[2], s[1], s[0]);
        } else {
            const int bytes = bpp / 8;
            for (qint64 x = 0; x < width; ++x, s += bytes) {
                const quint32 v = bytes == 2 ? le16(s) : le32(s);
                line[x] = qRgba(channel[0].get(v), channel[1].get(v), channel[2].get(v),
                                alpha ? channel[3].get(v) : 255);
            }
        }
    }
    return image;
}

}  // namespace

QImage decodeBitmapFile(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < 14 + 12 || p[0] != 'B' || p[1] != 'M')
        return {};
    return decodeDibAt(p, size, 14, le32(p + 10));
}

QImage decodeDib(const QByteArray& data) {
    return decodeDibAt(reinterpret_cast<const uchar*>(data.constData()), data.size(), 0, -1);
}

}  // namespace lumora

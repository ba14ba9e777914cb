// Bitmaps embedded in metafile records: DIBs (core and info headers, 1 to
// 32 bits, RLE4/RLE8, bit fields, JPEG/PNG) and WMF Bitmap16 objects, plus
// the 8-bit text decoding the WMF text records need.

#include "metafile/metafile_gdi.h"

#include <QBuffer>
#include <QImageReader>
#include <QStringDecoder>

#include <bit>

namespace lumora::mf {
namespace {

enum Compression {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
    BI_JPEG = 4,
    BI_PNG = 5,
    BI_ALPHABITFIELDS = 6,
};

struct DibHeader {
    qint64 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0;  // positive, see topDown
    bool topDown = false;
    int bpp = 0;
    quint32 compression = BI_RGB;
    qint64 colorsUsed = 0;
    quint32 masks[4] = {0, 0, 0, 0};  // r, g, b, a
    qint64 tableOffset = 0;
    int entrySize = 4;
};

constexpr qint64 kMaxSide = 1 << 20;

bool readHeader(const Reader& r, quint32 usage, DibHeader& h) {
    h.headerSize = r.u32(0);
    if (h.headerSize == 12) {
        if (!r.has(0, 12))
            return false;
        h.width = r.u16(4);
        h.height = r.u16(6);
        h.bpp = r.u16(10);
        h.entrySize = 3;
        h.tableOffset = 12;
    } else if (h.headerSize >= 40 && h.headerSize <= 1024) {
        if (!r.has(0, 40))
            return false;
        h.width = r.s32(4);
        const qint64 height = r.s32(8);
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bpp = r.u16(14);
        h.compression = r.u32(16);
        h.colorsUsed = r.u32(32);
        h.entrySize = 4;
        h.tableOffset = h.headerSize;
        if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
            const int count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
            // Offset 40 either way: a plain info header is followed by the
            // masks, later headers hold them there.
            const qint64 at = 40;
            if (!r.has(at, 4 * count))
                return false;
            for (int i = 0; i < count; ++i)
                h.masks[i] = r.u32(at + 4 * i);
            if (h.headerSize == 40)
                h.tableOffset += 4 * count;
        } else if (h.headerSize >= 56 && r.has(40, 16)) {
            h.masks[3] = r.u32(52);
        }
    } else {
        return false;
    }
    if (usage == DIB_PAL_COLORS && h.entrySize == 4)
        h.entrySize = 2;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide)
        return false;
    switch (h.bpp) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        case 0:
            if (h.compression != BI_JPEG && h.compression != BI_PNG)
                return false;
            break;
        default:
            return false;
    }
    switch (h.compression) {
        case BI_RGB:
        case BI_JPEG:
        case BI_PNG:
            break;
        case BI_RLE8:
            if (h.bpp != 8)
                return false;
            break;
        case BI_RLE4:
            if (h.bpp != 4)
                return false;
            break;
        case BI_BITFIELDS:
        case BI_ALPHABITFIELDS:
            if (h.bpp != 16 && h.bpp != 32)
                return false;
            break;
        default:
            return false;
    }
    if (h.colorsUsed > 65536)
        return false;
    return h.width * h.height <= kMaxBitmapPixels;
}

qint64 tableEntries(const DibHeader& h) {
    if (h.colorsUsed > 0)
        return h.colorsUsed;
    return h.bpp >= 1 && h.bpp <= 8 ? (qint64(1) << h.bpp) : 0;
}

QList<QRgb> readColorTable(const Reader& r, const DibHeader& h, quint32 usage,
                           const QList<QRgb>& palette) {
    QList<QRgb> table;
    if (h.bpp > 8 || h.bpp == 0)
        return table;
    const qint64 wanted = std::min<qint64>(tableEntries(h), qint64(1) << h.bpp);
    table.reserve(wanted);
    for (qint64 i = 0; i < wanted; ++i) {
        const qint64 at = h.tableOffset + i * h.entrySize;
        if (!r.has(at, h.entrySize))
            break;  // a short table leaves the rest black
        if (h.entrySize == 2) {
            const quint16 index = r.u16(at);
            table.append(index < palette.size() ? palette[index] : qRgb(0, 0, 0));
        } else {
            table.append(qRgb(r.u8(at + 2), r.u8(at + 1), r.u8(at)));
        }
    }
    while (table.size() < (qint64(1) << h.bpp))
        table.append(qRgb(0, 0, 0));
    return table;
}

struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;
    explicit Channel(quint32 m) : mask(m) {
        if (mask) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int value(quint32 pixel) const {
        if (!max)
            return 0;
        return int((quint64((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

QImage decodeCompressedImage(QByteArrayView bits, Budget& budget) {
    QByteArray copy = bits.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxBitmapPixels)
        return {};
    if (!budget.spend(quint64(size.width()) * size.height() * 2))
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_ARGB32);
}

void decodeRle(QByteArrayView bits, const DibHeader& h, const QList<QRgb>& table, QImage& out) {
    const auto* b = reinterpret_cast<const uchar*>(bits.data());
    const qint64 n = bits.size();
    const qint64 w = h.width, ht = h.height;
    const bool four = h.compression == BI_RLE4;
    qint64 x = 0, y = 0, pos = 0;
    auto put = [&](qint64 px, int index) {
        if (px < 0 || px >= w || y >= ht)
            return;
        const qint64 row = h.topDown ? y : ht - 1 - y;
        reinterpret_cast<QRgb*>(out.scanLine(int(row)))[px] = table.value(index, qRgb(0, 0, 0));
    };
    while (pos + 1 < n && y < ht) {
        const int count = b[pos];
        const int value = b[pos + 1];
        pos += 2;
        if (count > 0) {
            const qint64 run = std::min<qint64>(count, std::max<qint64>(0, w - x));
            for (qint64 i = 0; i < run; ++i)
                put(x + i, four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            x += count;
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta
            if (pos + 1 >= n)
                break;
            x += b[pos];
            y += b[pos + 1];
            pos += 2;
        } else {  // absolute run
            const qint64 bytes = four ? (value + 1) / 2 : value;
            if (pos + bytes > n)
                break;
            for (qint64 i = 0; i < value; ++i) {
                const int index =
                    four ? ((i & 1) ? (b[pos + i / 2] & 0x0F) : (b[pos + i / 2] >> 4)) : b[pos + i];
                put(x + i, index);
            }
            x += value;
            pos += (bytes + 1) & ~qint64(1);
        }
    }
}

}  // namespace

qint64 dibInfoSize(QByteArrayView info, quint32 usage) {
    const Reader r(reinterpret_cast<const uchar*>(info.data()), info.size());
    DibHeader h;
    if (!readHeader(r, usage, h))
        return -1;
    const qint64 size = h.tableOffset + tableEntries(h) * h.entrySize;
    return size <= info.size() ? size : -1;
}

QImage decodeDib(QByteArrayView info, QByteArrayView bits, quint32 usage,
                 const QList<QRgb>& palette, Budget& budget, bool keepAlpha) {
    const Reader r(reinterpret_cast<const uchar*>(info.data()), info.size());
    DibHeader h;
    if (!readHeader(r, usage, h))
        return {};
    if (h.compression == BI_JPEG || h.compression == BI_PNG)
        return decodeCompressedImage(bits, budget);

    const qint64 pixels = h.width * h.height;
    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    if (rle) {
        // Runs and skips make small streams paint large areas; a stream
        // still has to be in proportion to the picture it claims.
        if (pixels > std::max<qint64>(qint64(1) << 20, bits.size() * 256))
            return {};
    } else {
        const qint64 stride = ((h.width * h.bpp + 31) / 32) * 4;
        const qint64 need = stride * (h.height - 1) + (h.width * h.bpp + 7) / 8;
        if (bits.size() < need)
            return {};
    }
    if (!budget.spend(quint64(pixels) * 2))
        return {};

    const QList<QRgb> table = readColorTable(r, h, usage, palette);
    const bool alpha = (keepAlpha && h.bpp == 32) || rle;
    QImage out(int(h.width), int(h.height),
               alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (out.isNull())
        return {};
    if (rle) {
        out.fill(Qt::transparent);  // pixels the stream skips stay untouched
        decodeRle(bits, h, table, out);
        return out;
    }

    quint32 masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression == BI_RGB) {
        if (h.bpp == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else if (h.bpp == 32) {
            masks[0] = 0x00FF0000;
            masks[1] = 0x0000FF00;
            masks[2] = 0x000000FF;
            masks[3] = keepAlpha ? 0xFF000000 : 0;
        }
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alphaChannel(masks[3]);
    const qint64 stride = ((h.width * h.bpp + 31) / 32) * 4;
    const auto* data = reinterpret_cast<const uchar*>(bits.data());
    for (qint64 y = 0; y < h.height; ++y) {
        const uchar* row = data + stride * y;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(h.topDown ? y : h.height - 1 - y)));
        for (qint64 x = 0; x < h.width; ++x) {
            QRgb px;
            switch (h.bpp) {
                case 1:
                    px = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    px = table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
                    break;
                case 8:
                    px = table[row[x]];
                    break;
                case 24:
                    px = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                case 16: {
                    const quint32 v = row[2 * x] | (row[2 * x + 1] << 8);
                    px = qRgb(red.value(v), green.value(v), blue.value(v));
                    break;
                }
                default: {
                    const quint32 v = quint32(row[4 * x]) | (quint32(row[4 * x + 1]) << 8) |
                                      (quint32(row[4 * x + 2]) << 16) |
                                      (quint32(row[4 * x + 3]) << 24);
                    if (alpha) {
                        // Premultiplied data must not exceed its alpha.
                        const int a = alphaChannel.value(v);
                        px = qRgba(std::min(red.value(v), a), std::min(green.value(v), a),
                                   std::min(blue.value(v), a), a);
                    } else {
                        px = qRgb(red.value(v), green.value(v), blue.value(v));
                    }
                    break;
                }
            }
            dst[x] = px;
        }
    }
    return out;
}

QImage decodePackedDib(QByteArrayView packed, quint32 usage, const QList<QRgb>& palette,
                       Budget& budget) {
    const qint64 infoSize = dibInfoSize(packed, usage);
    if (infoSize < 0)
        return {};
    return decodeDib(packed.first(infoSize), packed.sliced(infoSize), usage, palette, budget);
}

QImage decodeBitmap16(QByteArrayView data, QColor zero, QColor one, Budget& budget) {
    const Reader r(reinterpret_cast<const uchar*>(data.data()), data.size());
    if (!r.has(0, 10))
        return {};
    const qint64 width = r.s16(2), height = r.s16(4), widthBytes = r.s16(6);
    const int planes = r.u8(8), bpp = r.u8(9);
    if (width <= 0 || height <= 0 || planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32))
        return {};
    if (widthBytes < (width * bpp + 7) / 8 || width * height > kMaxBitmapPixels)
        return {};
    const QByteArrayView bits = r.tail(10);
    if (bits.size() < widthBytes * height || !budget.spend(quint64(width * height) * 2))
        return {};
    QImage out(int(width), int(height), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    const auto* b = reinterpret_cast<const uchar*>(bits.data());
    for (qint64 y = 0; y < height; ++y) {
        const uchar* row = b + widthBytes * y;  // device bitmaps run top-down
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x) {
            if (bpp == 1)
                dst[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? one.rgb() : zero.rgb();
            else
                dst[x] = qRgb(row[x * (bpp / 8) + 2], row[x * (bpp / 8) + 1], row[x * (bpp / 8)]);
        }
    }
    return out;
}

QString decodeAnsi(QByteArrayView bytes, int charSet) {
    // Windows-1252 differs from Latin-1 only in 0x80..0x9F.
    static const char16_t kCp1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const char* encoding = nullptr;
    switch (charSet) {
        case 128:
            encoding = "Shift_JIS";
            break;
        case 129:
            encoding = "windows-949";
            break;
        case 134:
            encoding = "GBK";
            break;
        case 136:
            encoding = "Big5";
            break;
        case 161:
            encoding = "windows-1253";
            break;
        case 162:
            encoding = "windows-1254";
            break;
        case 163:
            encoding = "windows-1258";
            break;
        case 177:
            encoding = "windows-1255";
            break;
        case 178:
            encoding = "windows-1256";
            break;
        case 186:
            encoding = "windows-1257";
            break;
        case 204:
            encoding = "windows-1251";
            break;
        case 222:
            encoding = "windows-874";
            break;
        case 238:
            encoding = "windows-1250";
            break;
        default:
            break;
    }
    if (encoding) {
        QStringDecoder decoder(encoding);
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    QString text;
    text.reserve(bytes.size());
    const bool symbol = charSet == 2;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (!symbol && u >= 0x80 && u <= 0x9F)
            text.append(QChar(kCp1252[u - 0x80]));
        else
            text.append(QChar(u));
    }
    return text;
}

}  // namespace lumora::mf

namespace lumora::mf {

bool dibBottomUp(QByteArrayView info) {
    const Reader r(reinterpret_cast<const uchar*>(info.data()), info.size());
    if (r.u32(0) == 12)
        return true;
    return r.s32(8) > 0;
}

QByteArray dibHeaderWithRows(QByteArrayView info, qint64 rows) {
    const Reader r(reinterpret_cast<const uchar*>(info.data()), info.size());
    if (rows <= 0 || rows > 0xFFFF)
        return {};
    QByteArray copy = info.toByteArray();
    if (r.u32(0) == 12 && r.has(0, 12)) {
        copy[6] = char(rows & 0xFF);
        copy[7] = char(rows >> 8);
    } else if (r.u32(0) >= 40 && r.has(0, 40)) {
        const qint32 height = r.s32(8) < 0 ? qint32(-rows) : qint32(rows);
        const quint32 bits = quint32(height);
        for (int i = 0; i < 4; ++i)
            copy[8 + i] = char((bits >> (8 * i)) & 0xFF);
    } else {
        return {};
    }
    return copy;
}

}  // namespace lumora::mf

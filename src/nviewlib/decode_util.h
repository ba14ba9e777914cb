#pragma once

// Small helpers shared by the raster decoders. Internal to nviewlib.

#include "nviewlib/nviewlib.h"

#include <QImage>
#include <QVector>
#include <QtGlobal>

#include <cstring>

namespace lumora::detail {

inline quint32 le16(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8;
}
inline quint32 le32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
inline qint32 les32(const uchar* p) {
    return qint32(le32(p));
}

// Allocates the result picture; a null image for sizes out of range or when
// the allocation fails (QImage reports that as a null image, not a throw).
inline QImage allocImage(qint64 width, qint64 height, QImage::Format format) {
    if (width <= 0 || height <= 0 || width > 0x7fffffff / 4 || height > 0x7fffffff ||
        width * height > kMaxPixels)
        return {};
    return QImage(int(width), int(height), format);
}

// Expands an n-bit channel value (n <= 8) to 8 bits by repeating its bits, so
// that the maximum maps to 255 and zero to zero.
inline uint expandBits(uint value, int bits) {
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return value & 0xff;
    uint x = value << (8 - bits);
    for (int k = bits; k < 8; k *= 2)
        x |= x >> k;
    return x & 0xff;
}

// A colour table of `count` opaque entries read as B,G,R(,x) records.
inline QVector<QRgb> readBgrPalette(const uchar* p, int count, int entrySize) {
    QVector<QRgb> table(count);
    for (int i = 0; i < count; ++i, p += entrySize)
        table[i] = qRgb(p[2], p[1], p[0]);
    return table;
}

// True when every byte of [p, p + n) is below `limit`.
inline bool indicesBelow(const uchar* p, qint64 n, int limit) {
    if (limit >= 256)
        return true;
    uchar most = 0;
    for (qint64 i = 0; i < n; ++i)
        most = p[i] > most ? p[i] : most;
    return most < limit;
}

// Unpacks one row of `bits`-per-pixel (1, 2, 4 or 8) indices, most
// significant bits first, into one byte per pixel.
inline void unpackIndices(const uchar* src, uchar* dst, int width, int bits) {
    if (bits == 8) {
        std::memcpy(dst, src, size_t(width));
        return;
    }
    const int perByte = 8 / bits;
    const uint mask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        dst[x] = uchar((src[x / perByte] >> shift) & mask);
    }
}

}  // namespace lumora::detail

#pragma once

// Small helpers shared by the raster decoders. Internal to nviewlib.

#include "nviewlib/nviewlib.h"

#include <QImage>
#include <QVector>
#include <QtGlobal>

#include <cstring>
#include <thread>

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
// Large pictures get memory of their own with transparent huge pages, which
// saves most of the page faults a fresh picture otherwise costs.
QImage allocImage(qint64 width, qint64 height, QImage::Format format);

// Memory for reading a whole file; huge pages for large files as above.
class LargeBuffer {
public:
    explicit LargeBuffer(qint64 size);
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    char* data() { return data_; }

private:
    char* data_ = nullptr;
    size_t mapped_ = 0;  // 0: data_ came from new[]
};

// Faults a large picture's memory in on another thread while the decoder
// fills it from the top, so that the kernel's zeroing of fresh pages runs
// beside the decoding instead of inside it. MADV_POPULATE_WRITE only maps
// pages that are missing; it never touches one the decoder already wrote.
class Prefault {
public:
    Prefault() = default;
    ~Prefault();
    Prefault(const Prefault&) = delete;
    Prefault& operator=(const Prefault&) = delete;
    void start(QImage& image);

private:
    std::thread thread_;
};

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

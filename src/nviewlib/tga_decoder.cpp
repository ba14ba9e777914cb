// Truevision TGA decoder: types 1/2/3 (raw) and 9/10/11 (RLE).

#include "nviewlib/decode_util.h"
#include "nviewlib/nviewlib.h"

#include <algorithm>
#include <vector>

namespace lumora {
namespace {

using detail::le16;

// One stored pixel (bytes little-endian) to a QRgb.
struct PixelFormat {
    int depth = 0;       // bits per stored pixel: 8, 15, 16, 24, 32
    bool alpha = false;  // the alpha bits of the pixel are used
    QRgb convert(const uchar* p) const {
        switch (depth) {
            case 15:
            case 16: {
                const uint v = le16(p);
                const uint a = alpha ? ((v & 0x8000) ? 255 : 0) : 255;
                return qRgba(int(detail::expandBits((v >> 10) & 31, 5)),
                             int(detail::expandBits((v >> 5) & 31, 5)),
                             int(detail::expandBits(v & 31, 5)), int(a));
            }
            case 24:
                return qRgb(p[2], p[1], p[0]);
            case 32:
                return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
            default:
                return qRgb(p[0], p[0], p[0]);
        }
    }
};

}  // namespace

QImage decodeTga(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < 18)
        return {};
    const int idLength = p[0], mapType = p[1], type = p[2];
    const int mapFirst = int(le16(p + 3)), mapLength = int(le16(p + 5)), mapDepth = p[7];
    const qint64 width = le16(p + 12), height = le16(p + 14);
    const int depth = p[16], descriptor = p[17];
    const int alphaBits = descriptor & 15;
    const bool rightToLeft = descriptor & 0x10, topDown = descriptor & 0x20;
    const bool rle = type >= 9;
    const int kind = rle ? type - 8 : type;  // 1 mapped, 2 true colour, 3 grey
    if (mapType > 1 ||
        (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11))
        return {};
    if (width <= 0 || height <= 0 || width * height > kMaxPixels)
        return {};

    qint64 pos = 18 + idLength;
    // Colour map: present whenever the map type says so, used by mapped pictures.
    std::vector<QRgb> map;
    if (mapType == 1) {
        if (mapDepth != 15 && mapDepth != 16 && mapDepth != 24 && mapDepth != 32)
            return {};
        const int entryBytes = (mapDepth + 7) / 8;
        if (pos + qint64(mapLength) * entryBytes > size)
            return {};
        PixelFormat entry{mapDepth, mapDepth == 32 || (mapDepth == 16 && alphaBits > 0)};
        if (kind == 1) {
            map.resize(size_t(mapLength));
            for (int i = 0; i < mapLength; ++i)
                map[size_t(i)] = entry.convert(p + pos + i * entryBytes);
        }
        pos += qint64(mapLength) * entryBytes;
    } else if (kind == 1) {
        return {};
    }

    PixelFormat format{depth, false};
    bool hasAlpha = false;
    if (kind == 1) {
        if (depth != 8 && depth != 16)
            return {};
        hasAlpha = mapDepth == 32 || (mapDepth == 16 && alphaBits > 0);
    } else if (kind == 2) {
        if (depth != 15 && depth != 16 && depth != 24 && depth != 32)
            return {};
        format.alpha = (depth == 32 || depth == 16) && alphaBits > 0;
        hasAlpha = format.alpha;
    } else if (depth != 8) {
        return {};
    }
    const int bytes = (depth + 7) / 8;
    const qint64 pixelCount = width * height;
    const qint64 available = size - pos;
    if (available < 0)
        return {};
    // A raw picture needs all its pixels present; an RLE packet of 1 + bytes
    // bytes gives at most 128 pixels.
    if (!rle ? pixelCount * bytes > available : pixelCount > available / (1 + bytes) * 128)
        return {};

    const bool grey = kind == 3;
    QImage image = detail::allocImage(width, height,
                                      grey       ? QImage::Format_Grayscale8
                                      : hasAlpha ? QImage::Format_ARGB32
                                                 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    detail::Prefault prefault;
    prefault.start(image);
    const int outBytes = grey ? 1 : 4;

    // Converts n stored pixels into the picture; false for an index outside
    // the colour map.
    auto convert = [&](const uchar* s, qint64 n, uchar* out) {
        auto* q = reinterpret_cast<QRgb*>(out);
        if (grey) {
            std::memcpy(out, s, size_t(n));
        } else if (kind == 1) {
            for (qint64 x = 0; x < n; ++x) {
                const int index = int(bytes == 1 ? s[x] : le16(s + 2 * x)) - mapFirst;
                if (index < 0 || index >= mapLength)
                    return false;
                q[x] = map[size_t(index)];
            }
        } else if (depth == 24) {
            for (qint64 x = 0; x < n; ++x, s += 3)
                q[x] = 0xff000000u | uint(s[2]) << 16 | uint(s[1]) << 8 | s[0];
        } else if (depth == 32) {
            std::memcpy(q, s, size_t(n) * 4);  // B,G,R,A: the bytes of a little-endian QRgb
            if (!hasAlpha)
                for (qint64 x = 0; x < n; ++x)
                    q[x] |= 0xff000000u;
        } else {
            for (qint64 x = 0; x < n; ++x, s += bytes)
                q[x] = format.convert(s);
        }
        return true;
    };
    auto rowOf = [&](qint64 stored) { return int(topDown ? stored : height - 1 - stored); };
    const uchar* src = p + pos;

    if (!rle) {
        for (qint64 r = 0; r < height; ++r)
            if (!convert(src + r * width * bytes, width, image.scanLine(rowOf(r))))
                return {};
    } else {
        // Packets may run on from one row into the next, never past the last.
        qint64 row = 0, x = 0, i = 0;
        uchar* line = image.scanLine(rowOf(0));
        while (row < height) {
            if (i >= available)
                return {};
            const int header = src[i++];
            qint64 n = (header & 0x7f) + 1;
            const bool repeat = header & 0x80;
            if (i + (repeat ? bytes : n * bytes) > available)
                return {};
            const uchar* s = src + i;
            i += repeat ? bytes : n * bytes;
            while (n > 0) {
                if (row >= height)
                    return {};  // a packet running past the last pixel
                const qint64 k = qMin(n, width - x);
                uchar* out = line + x * outBytes;
                if (!repeat) {
                    if (!convert(s, k, out))
                        return {};
                    s += k * bytes;
                } else if (!convert(s, 1, out)) {
                    return {};
                } else if (grey) {
                    std::memset(out + 1, *out, size_t(k - 1));
                } else {
                    auto* q = reinterpret_cast<QRgb*>(out);
                    std::fill(q + 1, q + k, q[0]);
                }
                n -= k;
                x += k;
                if (x == width) {
                    x = 0;
                    if (++row < height)
                        line = image.scanLine(rowOf(row));
                }
            }
        }
    }

    if (rightToLeft) {
        for (int y = 0; y < image.height(); ++y) {
            uchar* line = image.scanLine(y);
            if (grey)
                std::reverse(line, line + width);
            else
                std::reverse(reinterpret_cast<QRgb*>(line), reinterpret_cast<QRgb*>(line) + width);
        }
    }
    return image;
}

}  // namespace lumora

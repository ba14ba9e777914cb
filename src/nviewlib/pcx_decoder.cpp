// ZSoft PCX decoder.

#include "nviewlib/decode_util.h"
#include "nviewlib/nviewlib.h"

#include <bit>
#include <vector>

namespace lumora {
namespace {

using detail::le16;

constexpr qint64 kHeaderSize = 128;
constexpr qint64 kEndPaletteSize = 769;  // 0x0c and 256 RGB triples

// Reads the RLE (or raw) stream one scan line (all planes) at a time.
class LineReader {
public:
    LineReader(const uchar* p, qint64 n, bool rle) : p_(p), n_(n), rle_(rle) {}

    // Fills `line` with `length` bytes; false when the data ends first or a
    // run goes past the end of the picture.
    bool next(uchar* line, qint64 length, bool lastLine) {
        qint64 done = 0;
        if (pending_) {  // the rest of a run that crossed the line end
            const qint64 k = qMin(pending_, length);
            std::memset(line, pendingValue_, size_t(k));
            pending_ -= k;
            done = k;
        }
        if (!rle_) {
            if (i_ + length > n_)
                return false;
            std::memcpy(line, p_ + i_, size_t(length));
            i_ += length;
            return true;
        }
        while (done < length) {
            // Eight bytes at a time while they hold no run marker: a byte
            // >= 0xc0 is one with its top two bits set.
            if (done + 8 <= length && i_ + 8 <= n_) {
                quint64 w;
                std::memcpy(&w, p_ + i_, 8);
                const quint64 marks = w & (w << 1) & 0x8080808080808080ull;
                std::memcpy(line + done, &w, 8);  // bytes past a marker are rewritten below
                const qint64 literal = marks ? std::countr_zero(marks) / 8 : 8;
                done += literal;
                i_ += literal;
                if (literal == 8)
                    continue;
            }
            // One byte below 0xc0 is itself; 0xc0 + n is a run of n of the
            // next byte. Most tokens give one byte, so that case has no
            // unpredictable branch.
            if (i_ + 2 <= n_) {
                const uchar b = p_[i_];
                const bool run = b >= 0xc0;
                const uchar value = run ? p_[i_ + 1] : b;
                const qint64 count = run ? b & 0x3f : 1;
                line[done] = value;
                i_ += 1 + qint64(run);
                if (count == 1) {
                    ++done;
                    continue;
                }
                const qint64 k = qMin(count, length - done);
                std::memset(line + done, value, size_t(k));
                done += k;
                if (count > k) {
                    // Many encoders let runs cross line ends; none past the picture.
                    if (lastLine)
                        return false;
                    pending_ = count - k;
                    pendingValue_ = value;
                }
            } else if (i_ < n_ && p_[i_] < 0xc0) {
                line[done++] = p_[i_++];
            } else {
                return false;  // the data ends, or a run lacks its value
            }
        }
        return !(lastLine && pending_);
    }

private:
    const uchar* p_;
    qint64 n_;
    bool rle_;
    qint64 i_ = 0;
    qint64 pending_ = 0;
    uchar pendingValue_ = 0;
};

}  // namespace

QImage decodePcx(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < kHeaderSize || p[0] != 0x0a || p[1] > 5 || p[2] > 1)
        return {};
    const bool rle = p[2] == 1;
    const int bits = p[3];
    const qint64 xmin = le16(p + 4), ymin = le16(p + 6), xmax = le16(p + 8), ymax = le16(p + 10);
    const int planes = p[65];
    const qint64 bytesPerLine = le16(p + 66);
    if (xmax < xmin || ymax < ymin)
        return {};
    const qint64 width = xmax - xmin + 1, height = ymax - ymin + 1;
    if (width * height > kMaxPixels)
        return {};

    enum { Indexed, Planar, Rgb, Rgba } layout;
    if (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8))
        layout = Indexed;
    else if (bits == 1 && planes >= 2 && planes <= 4)
        layout = Planar;
    else if (bits == 8 && planes == 3)
        layout = Rgb;
    else if (bits == 8 && planes == 4)
        layout = Rgba;
    else
        return {};
    if (bytesPerLine * 8 < width * bits)
        return {};

    // The 256-colour palette sits after the pixels, marked by 0x0c.
    qint64 end = size;
    QVector<QRgb> table;
    if (layout == Indexed && bits == 8) {
        table.resize(256);
        if (size >= kHeaderSize + kEndPaletteSize && p[size - kEndPaletteSize] == 0x0c) {
            const uchar* m = p + size - kEndPaletteSize + 1;
            for (int i = 0; i < 256; ++i)
                table[i] = qRgb(m[3 * i], m[3 * i + 1], m[3 * i + 2]);
            end = size - kEndPaletteSize;
        } else if (p[1] >= 5) {
            return {};  // the palette is part of a version 5 file: this one lost its end
        } else {
            for (int i = 0; i < 256; ++i)  // older files without one are grey
                table[i] = qRgb(i, i, i);
        }
    } else if (layout == Indexed || layout == Planar) {
        const int colours = 1 << (bits * planes);
        table.resize(colours);
        for (int i = 0; i < colours; ++i)
            table[i] = qRgb(p[16 + 3 * i], p[17 + 3 * i], p[18 + 3 * i]);
        // Two equal header colours mean the palette was never filled in.
        if (colours == 2 && table[0] == table[1])
            table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    }

    const qint64 lineBytes = bytesPerLine * planes;
    const qint64 available = end - kHeaderSize;
    // Every input byte yields at most 63 output bytes (a run of 63 in two).
    if (rle ? lineBytes * height > available * 32 : lineBytes * height > available)
        return {};

    const QImage::Format format = layout == Rgba  ? QImage::Format_ARGB32
                                  : layout == Rgb ? QImage::Format_RGB32
                                                  : QImage::Format_Indexed8;
    QImage image = detail::allocImage(width, height, format);
    if (image.isNull())
        return {};
    detail::Prefault prefault;
    prefault.start(image);
    if (format == QImage::Format_Indexed8)
        image.setColorTable(table);

    LineReader reader(p + kHeaderSize, available, rle);
    std::vector<uchar> line(static_cast<size_t>(lineBytes));
    const uchar* l = line.data();
    for (qint64 y = 0; y < height; ++y) {
        if (!reader.next(line.data(), lineBytes, y == height - 1))
            return {};
        uchar* out = image.scanLine(int(y));
        switch (layout) {
            case Indexed:
                detail::unpackIndices(l, out, int(width), bits);
                break;
            case Planar:
                for (qint64 x = 0; x < width; ++x) {
                    uint index = 0;
                    const uint bit = 0x80u >> (x & 7);
                    for (int plane = 0; plane < planes; ++plane)
                        if (l[plane * bytesPerLine + (x >> 3)] & bit)
                            index |= 1u << plane;
                    out[x] = uchar(index);
                }
                break;
            case Rgb: {
                auto* q = reinterpret_cast<QRgb*>(out);
                const uchar *r = l, *g = l + bytesPerLine, *b = l + 2 * bytesPerLine;
                for (qint64 x = 0; x < width; ++x)
                    q[x] = 0xff000000u | uint(r[x]) << 16 | uint(g[x]) << 8 | b[x];
                break;
            }
            case Rgba: {
                auto* q = reinterpret_cast<QRgb*>(out);
                const uchar *r = l, *g = l + bytesPerLine, *b = l + 2 * bytesPerLine,
                            *a = l + 3 * bytesPerLine;
                for (qint64 x = 0; x < width; ++x)
                    q[x] = uint(a[x]) << 24 | uint(r[x]) << 16 | uint(g[x]) << 8 | b[x];
                break;
            }
        }
    }
    return image;
}

}  // namespace lumora

#pragma once

// Small writers for WMF and EMF files, written from the record layouts, so
// the tests can build metafiles record by record, and helpers to look at
// what the player drew.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstring>
#include <initializer_list>
#include <map>

namespace lumora::test {

class Bytes {
public:
    Bytes& u8(int v) {
        d_.append(char(v & 0xFF));
        return *this;
    }
    Bytes& u16(int v) { return u8(v).u8(v >> 8); }
    Bytes& u32(qint64 v) { return u16(int(v & 0xFFFF)).u16(int((v >> 16) & 0xFFFF)); }
    Bytes& f32(float f) {
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        return u32(bits);
    }
    Bytes& bytes(const QByteArray& b) {
        d_.append(b);
        return *this;
    }
    Bytes& pad(int multiple) {
        while (d_.size() % multiple)
            d_.append('\0');
        return *this;
    }
    int size() const { return int(d_.size()); }
    const QByteArray& data() const { return d_; }

private:
    QByteArray d_;
};

inline quint32 colorRef(QColor c) {
    return quint32(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// A packed DIB of the image: 24 or 32 bits, or 1/4/8 bits with a colour
// table of the image's colours (which must fit).
inline QByteArray dib(const QImage& source, int bpp = 24, bool topDown = false) {
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> table;
    if (bpp <= 8) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (!table.contains(img.pixel(x, y) | 0xFF000000))
                    table.append(img.pixel(x, y) | 0xFF000000);
        while (table.size() < (1 << bpp))
            table.append(qRgb(0, 0, 0));
    }
    const int stride = ((img.width() * bpp + 31) / 32) * 4;
    Bytes b;
    b.u32(40).u32(img.width()).u32(topDown ? -img.height() : img.height()).u16(1).u16(bpp);
    b.u32(0).u32(stride * img.height()).u32(2835).u32(2835).u32(bpp <= 8 ? (1 << bpp) : 0).u32(0);
    for (QRgb c : table)
        b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
    for (int row = 0; row < img.height(); ++row) {
        const int y = topDown ? row : img.height() - 1 - row;
        QByteArray line(stride, '\0');
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (bpp == 24 || bpp == 32) {
                const int at = x * bpp / 8;
                line[at] = char(qBlue(c));
                line[at + 1] = char(qGreen(c));
                line[at + 2] = char(qRed(c));
            } else {
                const int index = int(table.indexOf(c | 0xFF000000));
                const int bit = x * bpp;
                line[bit / 8] = char(line[bit / 8] | (index << (8 - bpp - bit % 8)));
            }
        }
        b.bytes(line);
    }
    return b.data();
}

// Size of a packed DIB's header and colour table (as the writer above makes them).
inline int dibInfoBytes(int bpp) {
    return 40 + (bpp <= 8 ? 4 * (1 << bpp) : 0);
}

class WmfWriter {
public:
    WmfWriter& raw(int fn, const QByteArray& params) {
        Bytes r;
        QByteArray p = params;
        if (p.size() % 2)
            p.append('\0');
        const int words = int(3 + p.size() / 2);
        r.u32(words).u16(fn).bytes(p);
        records_.append(r.data());
        maxRecord_ = std::max(maxRecord_, words);
        return *this;
    }
    // Parameters as stored: 16-bit words in record order.
    WmfWriter& rec(int fn, std::initializer_list<int> words) {
        Bytes p;
        for (int w : words)
            p.u16(w);
        return raw(fn, p.data());
    }

    WmfWriter& setMapMode(int m) { return rec(0x0103, {m}); }
    WmfWriter& setWindowOrg(int x, int y) { return rec(0x020B, {y, x}); }
    WmfWriter& setWindowExt(int x, int y) { return rec(0x020C, {y, x}); }
    WmfWriter& setViewportOrg(int x, int y) { return rec(0x020D, {y, x}); }
    WmfWriter& setViewportExt(int x, int y) { return rec(0x020E, {y, x}); }
    WmfWriter& offsetWindowOrg(int x, int y) { return rec(0x020F, {y, x}); }
    WmfWriter& offsetViewportOrg(int x, int y) { return rec(0x0211, {y, x}); }
    WmfWriter& scaleWindowExt(int xn, int xd, int yn, int yd) {
        return rec(0x0410, {yd, yn, xd, xn});
    }
    WmfWriter& scaleViewportExt(int xn, int xd, int yn, int yd) {
        return rec(0x0412, {yd, yn, xd, xn});
    }
    WmfWriter& saveDc() { return rec(0x001E, {}); }
    WmfWriter& restoreDc(int n) { return rec(0x0127, {n}); }
    WmfWriter& setBkMode(int m) { return rec(0x0102, {m}); }
    WmfWriter& setRop2(int r) { return rec(0x0104, {r}); }
    WmfWriter& setPolyFillMode(int m) { return rec(0x0106, {m}); }
    WmfWriter& setTextAlign(int a) { return rec(0x012E, {a}); }
    WmfWriter& setTextColor(QColor c) { return color(0x0209, c); }
    WmfWriter& setBkColor(QColor c) { return color(0x0201, c); }
    WmfWriter& createPen(int style, int width, QColor c) {
        const quint32 ref = colorRef(c);
        return rec(0x02FA, {style, width, 0, int(ref & 0xFFFF), int(ref >> 16)});
    }
    WmfWriter& createBrush(int style, QColor c, int hatch = 0) {
        const quint32 ref = colorRef(c);
        return rec(0x02FC, {style, int(ref & 0xFFFF), int(ref >> 16), hatch});
    }
    WmfWriter& createFont(int height, const QByteArray& face, int weight = 400, bool italic = false,
                          bool underline = false, int escapement = 0) {
        Bytes p;
        p.u16(height).u16(0).u16(escapement).u16(escapement).u16(weight);
        p.u8(italic).u8(underline).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
        QByteArray name = face.left(31);
        name.append('\0');
        p.bytes(name);
        return raw(0x02FB, p.data());
    }
    WmfWriter& select(int index) { return rec(0x012D, {index}); }
    WmfWriter& deleteObject(int index) { return rec(0x01F0, {index}); }
    WmfWriter& moveTo(int x, int y) { return rec(0x0214, {y, x}); }
    WmfWriter& lineTo(int x, int y) { return rec(0x0213, {y, x}); }
    WmfWriter& rectangle(int l, int t, int r, int b) { return rec(0x041B, {b, r, t, l}); }
    WmfWriter& ellipse(int l, int t, int r, int b) { return rec(0x0418, {b, r, t, l}); }
    WmfWriter& roundRect(int l, int t, int r, int b, int w, int h) {
        return rec(0x061C, {h, w, b, r, t, l});
    }
    // fn: 0x0817 arc, 0x081A pie, 0x0830 chord.
    WmfWriter& arcLike(int fn, QRect box, QPoint start, QPoint end) {
        return rec(fn, {end.y(), end.x(), start.y(), start.x(), box.bottom() + 1, box.right() + 1,
                        box.top(), box.left()});
    }
    WmfWriter& poly(int fn, const QList<QPoint>& pts) {
        Bytes p;
        p.u16(int(pts.size()));
        for (const QPoint& pt : pts)
            p.u16(pt.x()).u16(pt.y());
        return raw(fn, p.data());
    }
    WmfWriter& polygon(const QList<QPoint>& pts) { return poly(0x0324, pts); }
    WmfWriter& polyline(const QList<QPoint>& pts) { return poly(0x0325, pts); }
    WmfWriter& polyPolygon(const QList<QList<QPoint>>& polys) {
        Bytes p;
        p.u16(int(polys.size()));
        for (const auto& poly : polys)
            p.u16(int(poly.size()));
        for (const auto& poly : polys)
            for (const QPoint& pt : poly)
                p.u16(pt.x()).u16(pt.y());
        return raw(0x0538, p.data());
    }
    WmfWriter& setPixel(int x, int y, QColor c) {
        const quint32 ref = colorRef(c);
        return rec(0x041F, {int(ref & 0xFFFF), int(ref >> 16), y, x});
    }
    WmfWriter& textOut(int x, int y, const QByteArray& s) {
        Bytes p;
        p.u16(int(s.size())).bytes(s).pad(2).u16(y).u16(x);
        return raw(0x0521, p.data());
    }
    WmfWriter& extTextOut(int x, int y, const QByteArray& s, int options = 0, QRect rect = {},
                          const QList<int>& dx = {}) {
        Bytes p;
        p.u16(y).u16(x).u16(int(s.size())).u16(options);
        if (options & 6)
            p.u16(rect.left()).u16(rect.top()).u16(rect.right() + 1).u16(rect.bottom() + 1);
        p.bytes(s).pad(2);
        for (int d : dx)
            p.u16(d);
        return raw(0x0A32, p.data());
    }
    WmfWriter& intersectClipRect(int l, int t, int r, int b) { return rec(0x0416, {b, r, t, l}); }
    WmfWriter& excludeClipRect(int l, int t, int r, int b) { return rec(0x0415, {b, r, t, l}); }
    WmfWriter& patBlt(int x, int y, int w, int h, quint32 rop) {
        return rec(0x061D, {int(rop & 0xFFFF), int(rop >> 16), h, w, y, x});
    }
    WmfWriter& stretchDib(QRect dest, QRect src, const QByteArray& packed,
                          quint32 rop = 0x00CC0020) {
        Bytes p;
        p.u32(rop).u16(0).u16(src.height()).u16(src.width()).u16(src.y()).u16(src.x());
        p.u16(dest.height()).u16(dest.width()).u16(dest.y()).u16(dest.x()).bytes(packed);
        return raw(0x0F43, p.data());
    }
    WmfWriter& dibStretchBlt(QRect dest, QRect src, const QByteArray& packed,
                             quint32 rop = 0x00CC0020) {
        Bytes p;
        p.u32(rop).u16(src.height()).u16(src.width()).u16(src.y()).u16(src.x());
        p.u16(dest.height()).u16(dest.width()).u16(dest.y()).u16(dest.x()).bytes(packed);
        return raw(0x0B41, p.data());
    }
    WmfWriter& dibBitBlt(QPoint dest, QRect src, const QByteArray& packed,
                         quint32 rop = 0x00CC0020) {
        Bytes p;
        p.u32(rop).u16(src.y()).u16(src.x()).u16(src.height()).u16(src.width());
        p.u16(dest.y()).u16(dest.x()).bytes(packed);
        return raw(0x0940, p.data());
    }
    // A 1-bit device bitmap (rows top-down, set bits given as '#').
    WmfWriter& bitBltMono(QPoint dest, const QList<QByteArray>& rows, quint32 rop = 0x00CC0020) {
        const int w = int(rows[0].size()), h = int(rows.size());
        const int widthBytes = ((w + 15) / 16) * 2;
        Bytes p;
        p.u32(rop).u16(0).u16(0).u16(h).u16(w).u16(dest.y()).u16(dest.x());
        p.u16(0).u16(w).u16(h).u16(widthBytes).u8(1).u8(1);
        for (const QByteArray& row : rows) {
            QByteArray line(widthBytes, '\0');
            for (int x = 0; x < w; ++x)
                if (row[x] == '#')
                    line[x / 8] = char(line[x / 8] | (0x80 >> (x % 8)));
            p.bytes(line);
        }
        return raw(0x0922, p.data());
    }
    WmfWriter& dibPatternBrush(const QByteArray& packed) {
        Bytes p;
        p.u16(5).u16(0).bytes(packed);
        return raw(0x0142, p.data());
    }

    QByteArray plain(int objects = 16) const { return header(objects); }
    QByteArray placeable(int l, int t, int r, int b, int inch, int objects = 16) const {
        Bytes p;
        p.u32(0x9AC6CDD7).u16(0).u16(l).u16(t).u16(r).u16(b).u16(inch).u32(0);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= quint16(uchar(p.data()[i]) | (uchar(p.data()[i + 1]) << 8));
        p.u16(sum);
        p.bytes(header(objects));
        return p.data();
    }

private:
    WmfWriter& color(int fn, QColor c) {
        const quint32 ref = colorRef(c);
        return rec(fn, {int(ref & 0xFFFF), int(ref >> 16)});
    }
    QByteArray header(int objects) const {
        QByteArray body;
        for (const QByteArray& r : records_)
            body.append(r);
        Bytes eof;
        eof.u32(3).u16(0);
        body.append(eof.data());
        Bytes h;
        h.u16(1).u16(9).u16(0x0300).u32(9 + body.size() / 2).u16(objects).u32(maxRecord_).u16(0);
        h.bytes(body);
        return h.data();
    }
    QList<QByteArray> records_;
    int maxRecord_ = 3;
};

class EmfWriter {
public:
    // The payload after type and size; offsets inside it count from the
    // record start, so payload offset n is record offset n + 8.
    EmfWriter& raw(quint32 type, const QByteArray& payload) {
        Bytes r;
        QByteArray p = payload;
        while (p.size() % 4)
            p.append('\0');
        r.u32(type).u32(8 + p.size()).bytes(p);
        records_.append(r.data());
        return *this;
    }
    EmfWriter& rec(quint32 type, std::initializer_list<qint64> dwords) {
        Bytes p;
        for (qint64 v : dwords)
            p.u32(v);
        return raw(type, p.data());
    }

    EmfWriter& setMapMode(int m) { return rec(17, {m}); }
    EmfWriter& setWindowExt(int x, int y) { return rec(9, {x, y}); }
    EmfWriter& setWindowOrg(int x, int y) { return rec(10, {x, y}); }
    EmfWriter& setViewportExt(int x, int y) { return rec(11, {x, y}); }
    EmfWriter& setViewportOrg(int x, int y) { return rec(12, {x, y}); }
    EmfWriter& saveDc() { return rec(33, {}); }
    EmfWriter& restoreDc(int n) { return rec(34, {n}); }
    EmfWriter& setBkMode(int m) { return rec(18, {m}); }
    EmfWriter& setPolyFillMode(int m) { return rec(19, {m}); }
    EmfWriter& setTextAlign(int a) { return rec(22, {a}); }
    EmfWriter& setTextColor(QColor c) { return rec(24, {colorRef(c)}); }
    EmfWriter& setBkColor(QColor c) { return rec(25, {colorRef(c)}); }
    EmfWriter& select(qint64 index) { return rec(37, {index}); }
    EmfWriter& deleteObject(qint64 index) { return rec(40, {index}); }
    EmfWriter& createPen(int index, int style, int width, QColor c) {
        return rec(38, {index, style, width, 0, colorRef(c)});
    }
    EmfWriter& createBrush(int index, int style, QColor c, int hatch = 0) {
        return rec(39, {index, style, colorRef(c), hatch});
    }
    EmfWriter& extCreatePen(int index, quint32 style, int width, int brushStyle, QColor c,
                            const QList<int>& dashes = {}) {
        Bytes p;
        p.u32(index).u32(0).u32(0).u32(0).u32(0);
        p.u32(style).u32(width).u32(brushStyle).u32(colorRef(c)).u32(0).u32(dashes.size());
        for (int d : dashes)
            p.u32(d);
        return raw(95, p.data());
    }
    EmfWriter& createFont(int index, int height, const QString& face, int escapement = 0,
                          int weight = 400) {
        Bytes p;
        p.u32(index).u32(height).u32(0).u32(escapement).u32(escapement).u32(weight);
        p.u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
        for (int i = 0; i < 32; ++i)
            p.u16(i < face.size() ? face.at(i).unicode() : 0);
        return raw(82, p.data());
    }
    EmfWriter& moveTo(int x, int y) { return rec(27, {x, y}); }
    EmfWriter& lineTo(int x, int y) { return rec(54, {x, y}); }
    EmfWriter& rectangle(int l, int t, int r, int b) { return rec(43, {l, t, r, b}); }
    EmfWriter& ellipse(int l, int t, int r, int b) { return rec(42, {l, t, r, b}); }
    // type 2 polybezier, 3 polygon, 4 polyline, 5 polybezierto, 6 polylineto;
    // 85..89 the same with 16-bit points.
    EmfWriter& poly(quint32 type, const QList<QPoint>& pts) {
        const bool small = type >= 85;
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(pts.size());
        for (const QPoint& pt : pts) {
            if (small)
                p.u16(pt.x()).u16(pt.y());
            else
                p.u32(pt.x()).u32(pt.y());
        }
        return raw(type, p.data());
    }
    EmfWriter& polyPolygon(const QList<QList<QPoint>>& polys, bool small = false) {
        Bytes p;
        int total = 0;
        for (const auto& poly : polys)
            total += int(poly.size());
        p.u32(0).u32(0).u32(0).u32(0).u32(polys.size()).u32(total);
        for (const auto& poly : polys)
            p.u32(poly.size());
        for (const auto& poly : polys)
            for (const QPoint& pt : poly) {
                if (small)
                    p.u16(pt.x()).u16(pt.y());
                else
                    p.u32(pt.x()).u32(pt.y());
            }
        return raw(small ? 91 : 8, p.data());
    }
    EmfWriter& polyDraw(const QList<QPoint>& pts, const QList<int>& types) {
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(pts.size());
        for (const QPoint& pt : pts)
            p.u32(pt.x()).u32(pt.y());
        for (int t : types)
            p.u8(t);
        return raw(56, p.data());
    }
    EmfWriter& xformRecord(quint32 type, float m11, float m12, float m21, float m22, float dx,
                           float dy, int mode = -1) {
        Bytes p;
        p.f32(m11).f32(m12).f32(m21).f32(m22).f32(dx).f32(dy);
        if (mode >= 0)
            p.u32(mode);
        return raw(type, p.data());
    }
    EmfWriter& setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy) {
        return xformRecord(35, m11, m12, m21, m22, dx, dy);
    }
    EmfWriter& modifyWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy,
                                    int mode) {
        return xformRecord(36, m11, m12, m21, m22, dx, dy, mode);
    }
    EmfWriter& extTextOutW(int x, int y, const QString& s, quint32 options = 0,
                           const QList<int>& dx = {}) {
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(1).f32(1).f32(1);  // bounds, GM_COMPATIBLE, scales
        const int offString = 76;
        const int offDx = dx.isEmpty() ? 0 : offString + ((int(s.size()) * 2 + 3) & ~3);
        p.u32(x).u32(y).u32(s.size()).u32(offString).u32(options);
        p.u32(0).u32(0).u32(0).u32(0).u32(offDx);
        for (QChar c : s)
            p.u16(c.unicode());
        p.pad(4);
        for (int d : dx)
            p.u32(d);
        return raw(84, p.data());
    }
    EmfWriter& stretchDiBits(QRect dest, QRect src, const QByteArray& packed, int bpp,
                             quint32 rop = 0x00CC0020) {
        const int info = dibInfoBytes(bpp);
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(dest.x()).u32(dest.y());
        p.u32(src.x()).u32(src.y()).u32(src.width()).u32(src.height());
        p.u32(80).u32(info).u32(80 + info).u32(packed.size() - info).u32(0).u32(rop);
        p.u32(dest.width()).u32(dest.height()).bytes(packed);
        return raw(81, p.data());
    }
    // BitBlt (77 with a source size: StretchBlt); empty packed: no source.
    EmfWriter& bitBlt(QRect dest, QPoint srcAt, const QByteArray& packed, int bpp,
                      quint32 rop = 0x00CC0020, QSize srcSize = {}) {
        const bool stretch = srcSize.isValid();
        const int fixed = stretch ? 108 : 100;
        const int info = packed.isEmpty() ? 0 : dibInfoBytes(bpp);
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(dest.x()).u32(dest.y()).u32(dest.width());
        p.u32(dest.height()).u32(rop).u32(srcAt.x()).u32(srcAt.y());
        p.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(0).u32(0);
        p.u32(packed.isEmpty() ? 0 : fixed).u32(info);
        p.u32(packed.isEmpty() ? 0 : fixed + info).u32(packed.isEmpty() ? 0 : packed.size() - info);
        if (stretch)
            p.u32(srcSize.width()).u32(srcSize.height());
        p.bytes(packed);
        return raw(stretch ? 77 : 76, p.data());
    }
    EmfWriter& alphaBlend(QRect dest, const QByteArray& packed, int bpp, QSize src,
                          int constAlpha) {
        const int info = dibInfoBytes(bpp);
        Bytes p;
        p.u32(0).u32(0).u32(0).u32(0).u32(dest.x()).u32(dest.y()).u32(dest.width());
        p.u32(dest.height()).u32(quint32(constAlpha) << 16).u32(0).u32(0);
        p.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(0).u32(0);
        p.u32(108).u32(info).u32(108 + info).u32(packed.size() - info);
        p.u32(src.width()).u32(src.height()).bytes(packed);
        return raw(114, p.data());
    }
    // No rectangles: the form without region data (reset with RGN_COPY).
    EmfWriter& selectClipRects(const QList<QRect>& rects, int mode) {
        if (rects.isEmpty())
            return rec(75, {0, mode});
        Bytes p;
        const int size = 32 + 16 * int(rects.size());
        p.u32(size).u32(mode).u32(32).u32(1).u32(rects.size()).u32(16 * rects.size());
        p.u32(0).u32(0).u32(0).u32(0);
        for (const QRect& r : rects)
            p.u32(r.left()).u32(r.top()).u32(r.right() + 1).u32(r.bottom() + 1);
        return raw(75, p.data());
    }

    // Frame in 0.01 mm; the reference device has 96 pixels an inch.
    QByteArray bytes(QRect frame100 = QRect(0, 0, 2541, 2541), int handles = 16) const {
        QByteArray body;
        for (const QByteArray& r : records_)
            body.append(r);
        Bytes eof;
        eof.u32(14).u32(20).u32(0).u32(16).u32(20);
        body.append(eof.data());
        Bytes h;
        h.u32(1).u32(88).u32(0).u32(0).u32(95).u32(95);
        h.u32(frame100.left()).u32(frame100.top()).u32(frame100.right()).u32(frame100.bottom());
        h.u32(0x464D4520).u32(0x10000).u32(88 + body.size()).u32(records_.size() + 2);
        h.u16(handles).u16(0).u32(0).u32(0).u32(0).u32(960).u32(960).u32(254).u32(254);
        h.bytes(body);
        return h.data();
    }

private:
    QList<QByteArray> records_;
};

// ---- Looking at pictures ---------------------------------------------------------------

inline bool near(QRgb a, QColor b, int tolerance = 40) {
    return std::abs(qRed(a) - b.red()) <= tolerance &&
           std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

inline bool isInk(QRgb c) {
    return qGray(c) < 128;
}

// Bounding box of the pixels that are not near the background.
inline QRect inkBox(const QImage& img, QColor background = Qt::white) {
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!near(img.pixel(x, y), background, 60)) {
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

// Share of pixels whose colours differ by more than the tolerance.
inline double mismatch(const QImage& a, const QImage& b, int tolerance = 60) {
    if (a.size() != b.size())
        return 1;
    int bad = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!near(a.pixel(x, y), QColor(b.pixel(x, y)), tolerance))
                ++bad;
    return double(bad) / (a.width() * a.height());
}

inline int count(const QImage& img, QRect area, QColor c, int tolerance = 40) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.valid(x, y) && near(img.pixel(x, y), c, tolerance))
                ++n;
    return n;
}

}  // namespace lumora::test

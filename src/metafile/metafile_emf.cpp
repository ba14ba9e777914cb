// Enhanced metafiles (32-bit records). Offsets inside a record (bitmaps,
// strings, advances) count from the record's start.

#include "metafile/metafile_gdi.h"

namespace lumora::mf {
namespace {

constexpr quint32 kEmfSignature = 0x464D4520;  // " EMF"
constexpr qint64 kMinHeader = 88;

enum RecordType : quint32 {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_MASKBLT = 78,
    EMR_PLGBLT = 79,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};

constexpr quint32 ETO_NO_RECT = 0x0100;
constexpr quint32 ETO_SMALL_CHARS = 0x0200;

QPointF pointL(const Reader& r, qint64 off) {
    return QPointF(r.s32(off), r.s32(off + 4));
}
QSizeF sizeL(const Reader& r, qint64 off) {
    return QSizeF(r.s32(off), r.s32(off + 4));
}

// Left, top, right, bottom.
QRectF rectL(const Reader& r, qint64 off) {
    return QRectF(QPointF(r.s32(off), r.s32(off + 4)), QPointF(r.s32(off + 8), r.s32(off + 12)));
}

QTransform xform(const Reader& r, qint64 off) {
    return QTransform(r.f32(off), r.f32(off + 4), r.f32(off + 8), r.f32(off + 12), r.f32(off + 16),
                      r.f32(off + 20));
}

// count points of 8 (32-bit) or 4 (16-bit) bytes at off; false if they do not fit.
bool readPoints(const Reader& r, qint64 off, qint64 count, bool small, QPolygonF& out) {
    const qint64 size = small ? 4 : 8;
    if (count < 0 || !r.has(off, count * size))
        return false;
    out.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        if (small)
            out.append(QPointF(r.s16(off + 4 * i), r.s16(off + 4 * i + 2)));
        else
            out.append(QPointF(r.s32(off + 8 * i), r.s32(off + 8 * i + 4)));
    }
    return true;
}

std::optional<QRegion> regionData(const Reader& r, qint64 off, qint64 size, Budget& budget) {
    if (size < 32 || !r.has(off, size) || !r.has(off, 32))
        return std::nullopt;
    const qint64 count = r.u32(off + 8);
    QRegion region;
    const qint64 rects = std::min<qint64>(count, (size - 32) / 16);
    for (qint64 i = 0; i < std::min<qint64>(rects, kMaxRegionRects); ++i) {
        if (!budget.spend(Budget::kPointCost * 4))
            break;
        const QRectF rect = rectL(r, off + 32 + 16 * i);
        if (rect.width() > 0 && rect.height() > 0 && rect.width() < 1e8 && rect.height() < 1e8)
            region += QRect(int(rect.x()), int(rect.y()), int(rect.width()), int(rect.height()));
    }
    return region;
}

QImage recordBitmap(Player& p, const Reader& r, qint64 usage, qint64 offBmi, qint64 cbBmi,
                    qint64 offBits, qint64 cbBits, bool keepAlpha = false) {
    const QByteArrayView info = r.view(offBmi, cbBmi);
    if (info.isEmpty())
        return {};
    return decodeDib(info, r.view(offBits, cbBits), quint32(usage), p.paletteColors(), p.budget(),
                     keepAlpha);
}

// Source rectangle of a blit: logical source coordinates through the
// source's own transform, when that is a plain scale and offset.
QRectF sourceRect(const Reader& r, qint64 xformAt, QRectF src) {
    const QTransform t = xform(r, xformAt);
    if (std::isfinite(t.m11()) && std::isfinite(t.m22()) && std::isfinite(t.dx()) &&
        std::isfinite(t.dy()) && t.m12() == 0 && t.m21() == 0 && t.m11() != 0 && t.m22() != 0) {
        const QPointF a = t.map(src.topLeft());
        const QPointF b = t.map(QPointF(src.x() + src.width(), src.y() + src.height()));
        return QRectF(a.x(), a.y(), b.x() - a.x(), b.y() - a.y());
    }
    return src;
}

Pen readExtPen(Player& p, const Reader& r) {
    Pen pen;
    if (!r.has(28, 24))
        return pen;
    const quint32 style = r.u32(28);
    pen.style = style;
    pen.width = (style & PS_GEOMETRIC) ? double(r.u32(32)) : 0.0;
    pen.color = p.color(r.u32(40));
    if (r.u32(36) == BS_NULL)
        pen.style = (style & ~quint32(PS_STYLE_MASK)) | PS_NULL;
    const qint64 entries = r.u32(48);
    if ((style & PS_STYLE_MASK) == PS_USERSTYLE && entries > 0 && entries <= 64 &&
        r.has(52, 4 * entries)) {
        for (qint64 i = 0; i < entries; ++i)
            pen.userDashes.append(std::max<quint32>(1, r.u32(52 + 4 * i)));
    }
    return pen;
}

Font readLogFontW(const Reader& r, qint64 at) {
    Font font;
    font.height = r.s32(at);
    font.width = r.s32(at + 4);
    font.escapement = r.s32(at + 8);
    font.weight = r.s32(at + 16);
    font.italic = r.u8(at + 20);
    font.underline = r.u8(at + 21);
    font.strikeOut = r.u8(at + 22);
    font.charSet = r.u8(at + 23);
    font.pitchAndFamily = r.u8(at + 27);
    for (int i = 0; i < 32 && r.has(at + 28 + 2 * i, 2); ++i) {
        const quint16 c = r.u16(at + 28 + 2 * i);
        if (!c)
            break;
        font.face.append(QChar(c));
    }
    font.face = font.face.trimmed();
    return font;
}

QString wideString(const Reader& r, qint64 off, qint64 count) {
    QString s;
    s.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        s.append(QChar(r.u16(off + 2 * i)));
    return s;
}

// One EMRTEXT at `at`: reference, count, string, options, rectangle, advances.
void emrText(Player& p, const Reader& r, qint64 at, bool wide, int graphicsMode) {
    if (!r.has(at, 40))
        return;
    const QPointF ref = pointL(r, at);
    const qint64 count = r.u32(at + 8);
    const qint64 offString = r.u32(at + 12);
    const quint32 options = r.u32(at + 16);
    const QRectF rect = rectL(r, at + 20);
    const qint64 offDx = r.u32(at + 36);
    if (!r.has(offString, count * (wide ? 2 : 1)))
        return;
    const QString text = wide ? wideString(r, offString, count)
                              : decodeAnsi(r.view(offString, count), p.dc().font.charSet);
    std::vector<double> dx;
    const qint64 entries = count * ((options & ETO_PDY) ? 2 : 1);
    if (offDx > 0 && r.has(offDx, 4 * entries) && text.size() == count) {
        dx.reserve(entries);
        for (qint64 i = 0; i < entries; ++i)
            dx.push_back(r.s32(offDx + 4 * i));
    }
    std::optional<QRectF> box;
    if (!(options & ETO_NO_RECT) && (options & (ETO_OPAQUE | ETO_CLIPPED)))
        box = rect;
    const int saved = p.dc().graphicsMode;
    p.dc().graphicsMode = graphicsMode == GM_ADVANCED ? GM_ADVANCED : GM_COMPATIBLE;
    p.textOut(ref, text, dx, options, box);
    p.dc().graphicsMode = saved;
}

void smallTextOut(Player& p, const Reader& r) {
    if (!r.has(8, 28))
        return;
    const QPointF ref = pointL(r, 8);
    const qint64 count = r.u32(16);
    const quint32 options = r.u32(20);
    qint64 at = 36;
    std::optional<QRectF> box;
    if (!(options & ETO_NO_RECT)) {
        if (!r.has(at, 16))
            return;
        if (options & (ETO_OPAQUE | ETO_CLIPPED))
            box = rectL(r, at);
        at += 16;
    }
    const bool small = options & ETO_SMALL_CHARS;
    if (!r.has(at, count * (small ? 1 : 2)))
        return;
    const QString text =
        small ? decodeAnsi(r.view(at, count), p.dc().font.charSet) : wideString(r, at, count);
    p.textOut(ref, text, {}, options & ~ETO_GLYPH_INDEX, box);
}

void polyRecord(Player& p, quint32 type, const Reader& r) {
    const bool small = type >= EMR_POLYBEZIER16 && type <= EMR_POLYLINETO16;
    QPolygonF pts;
    if (!r.has(24, 4) || !readPoints(r, 28, r.u32(24), small, pts))
        return;
    switch (small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type) {
        case EMR_POLYBEZIER:
            p.polyBezier(pts);
            break;
        case EMR_POLYGON:
            p.polygon(pts);
            break;
        case EMR_POLYLINE:
            p.polyline(pts);
            break;
        case EMR_POLYBEZIERTO:
            p.polyBezierTo(pts);
            break;
        case EMR_POLYLINETO:
            p.polylineTo(pts);
            break;
        default:
            break;
    }
}

void polyPolyRecord(Player& p, quint32 type, const Reader& r) {
    const bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
    if (!r.has(24, 8))
        return;
    const qint64 polys = r.u32(24), total = r.u32(28);
    if (!r.has(32, 4 * polys))
        return;
    QPolygonF all;
    if (!readPoints(r, 32 + 4 * polys, total, small, all))
        return;
    std::vector<QPolygonF> shapes;
    shapes.reserve(polys);
    qint64 at = 0;
    for (qint64 i = 0; i < polys; ++i) {
        const qint64 n = r.u32(32 + 4 * i);
        if (n > total - at)
            return;  // counts claim more points than the record holds
        shapes.push_back(all.mid(at, n));
        at += n;
    }
    if (type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYLINE16)
        p.polyPolyline(shapes);
    else
        p.polyPolygon(shapes);
}

void polyDrawRecord(Player& p, quint32 type, const Reader& r) {
    const bool small = type == EMR_POLYDRAW16;
    if (!r.has(24, 4))
        return;
    const qint64 count = r.u32(24);
    QPolygonF pts;
    if (!readPoints(r, 28, count, small, pts))
        return;
    const QByteArrayView types = r.view(28 + count * (small ? 4 : 8), count);
    if (types.size() != count)
        return;
    p.polyDraw(pts, types);
}

void stretchDiBits(Player& p, const Reader& r) {
    if (!r.has(8, 72))
        return;
    const QRectF dest(r.s32(24), r.s32(28), r.s32(72), r.s32(76));
    const double xSrc = r.s32(32), ySrc = r.s32(36), cxSrc = r.s32(40), cySrc = r.s32(44);
    const quint32 rop = r.u32(68);
    const qint64 offBmi = r.u32(48), cbBmi = r.u32(52);
    if (cbBmi == 0) {
        p.patBlt(dest, rop);
        return;
    }
    const QImage image = recordBitmap(p, r, r.u32(64), offBmi, cbBmi, r.u32(56), r.u32(60));
    if (image.isNull())
        return;
    const double top = dibBottomUp(r.view(offBmi, cbBmi)) ? image.height() - ySrc - cySrc : ySrc;
    p.bitmap(dest, image, QRectF(xSrc, top, cxSrc, cySrc), rop);
}

void setDiBitsToDevice(Player& p, const Reader& r) {
    if (!r.has(8, 68))
        return;
    const QPointF destLogical(r.s32(24), r.s32(28));
    const double xSrc = r.s32(32), ySrc = r.s32(36), cxSrc = r.s32(40), cySrc = r.s32(44);
    const QByteArrayView info = r.view(r.u32(48), r.u32(52));
    const qint64 startScan = r.u32(68), scans = r.u32(72);
    if (info.isEmpty())
        return;
    const QByteArray band = dibHeaderWithRows(info, scans);
    if (band.isEmpty())
        return;
    const QImage image =
        decodeDib(band, r.view(r.u32(56), r.u32(60)), r.u32(64), p.paletteColors(), p.budget());
    if (image.isNull())
        return;
    const double top = dibBottomUp(info) ? double(startScan + scans) - ySrc - cySrc : ySrc;
    const QPointF d = p.logicalToDevice().map(destLogical);
    const QPointF corners[3] = {d, d + QPointF(cxSrc, 0), d + QPointF(0, cySrc)};
    p.bitmapAt(corners, image, QRectF(xSrc, top, cxSrc, cySrc), SRCCOPY);
}

void bitBlt(Player& p, quint32 type, const Reader& r) {
    if (!r.has(8, 92))
        return;
    const QRectF dest(r.s32(24), r.s32(28), r.s32(32), r.s32(36));
    const quint32 rop = r.u32(40);
    const qint64 cbBmi = r.u32(88);
    if (cbBmi == 0) {
        p.patBlt(dest, rop);
        return;
    }
    QSizeF srcSize = dest.size();
    if (type == EMR_STRETCHBLT) {
        if (!r.has(100, 8))
            return;
        srcSize = sizeL(r, 100);
    }
    const QImage image = recordBitmap(p, r, r.u32(80), r.u32(84), cbBmi, r.u32(92), r.u32(96));
    if (image.isNull())
        return;
    const QRectF src = sourceRect(r, 52, QRectF(pointL(r, 44), srcSize));
    p.bitmap(dest, image, src, rop);
}

void maskBlt(Player& p, const Reader& r) {
    if (!r.has(8, 120))
        return;
    const QRectF dest(r.s32(24), r.s32(28), r.s32(32), r.s32(36));
    const quint32 rop = r.u32(40);
    const QImage image = recordBitmap(p, r, r.u32(80), r.u32(84), r.u32(88), r.u32(92), r.u32(96));
    if (image.isNull()) {
        p.patBlt(dest, rop & 0x00FFFFFF);
        return;
    }
    const QImage mask =
        recordBitmap(p, r, r.u32(108), r.u32(112), r.u32(116), r.u32(120), r.u32(124));
    const QRectF src = sourceRect(r, 52, QRectF(pointL(r, 44), dest.size()));
    p.maskBlit(dest, image, src, mask, QPoint(r.s32(100), r.s32(104)), rop);
}

void plgBlt(Player& p, const Reader& r) {
    if (!r.has(8, 132))
        return;
    const QImage image =
        recordBitmap(p, r, r.u32(92), r.u32(96), r.u32(100), r.u32(104), r.u32(108));
    if (image.isNull())
        return;
    const QTransform m = p.logicalToDevice();
    const QPointF corners[3] = {m.map(pointL(r, 24)), m.map(pointL(r, 32)), m.map(pointL(r, 40))};
    const QRectF src = sourceRect(r, 64, QRectF(pointL(r, 48), sizeL(r, 56)));
    p.bitmapAt(corners, image, src, SRCCOPY);
}

void alphaOrTransparentBlt(Player& p, quint32 type, const Reader& r) {
    if (!r.has(8, 100))
        return;
    const QRectF dest(r.s32(24), r.s32(28), r.s32(32), r.s32(36));
    const quint32 blend = r.u32(40);
    const bool perPixel = type == EMR_ALPHABLEND && ((blend >> 24) & 0xFF) == 1;  // AC_SRC_ALPHA
    const QImage image =
        recordBitmap(p, r, r.u32(80), r.u32(84), r.u32(88), r.u32(92), r.u32(96), perPixel);
    if (image.isNull())
        return;
    const QRectF src = sourceRect(r, 52, QRectF(pointL(r, 44), sizeL(r, 100)));
    if (type == EMR_ALPHABLEND)
        p.alphaBlend(dest, image, src, int((blend >> 16) & 0xFF));
    else
        p.transparentBlit(dest, image, src, p.color(blend).rgb());
}

void gradientFill(Player& p, const Reader& r) {
    if (!r.has(8, 28))
        return;
    const qint64 vertices = r.u32(24), objects = r.u32(28);
    const quint32 mode = r.u32(32);
    if (!r.has(36, 16 * vertices))
        return;
    auto vertex = [&](qint64 i) { return pointL(r, 36 + 16 * i); };
    auto colour = [&](qint64 i) {
        const qint64 at = 36 + 16 * i + 8;
        return QColor(r.u16(at) >> 8, r.u16(at + 2) >> 8, r.u16(at + 4) >> 8);
    };
    const qint64 at = 36 + 16 * vertices;
    if (mode == 0 || mode == 1) {
        for (qint64 i = 0; i < objects && r.has(at + 8 * i, 8); ++i) {
            const qint64 a = r.u32(at + 8 * i), b = r.u32(at + 8 * i + 4);
            if (a < vertices && b < vertices)
                p.gradientRect(QRectF(vertex(a), vertex(b)), colour(a), colour(b), mode == 1);
        }
    } else if (mode == 2) {
        // Triangles take the mean of their corners' colours.
        for (qint64 i = 0; i < objects && r.has(at + 12 * i, 12); ++i) {
            qint64 v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = r.u32(at + 12 * i + 4 * k);
            if (v[0] >= vertices || v[1] >= vertices || v[2] >= vertices)
                continue;
            int red = 0, green = 0, blue = 0;
            for (qint64 k : v) {
                red += colour(k).red();
                green += colour(k).green();
                blue += colour(k).blue();
            }
            p.gradientTriangle(QPolygonF({vertex(v[0]), vertex(v[1]), vertex(v[2])}),
                               QColor(red / 3, green / 3, blue / 3));
        }
    }
}

void patternBrush(Player& p, quint32 type, const Reader& r) {
    if (!r.has(8, 24))
        return;
    Brush brush;
    brush.style = BS_DIBPATTERNPT;
    brush.color = Qt::black;
    brush.mono = type == EMR_CREATEMONOBRUSH;
    brush.pattern = recordBitmap(p, r, brush.mono ? quint32(DIB_RGB_COLORS) : r.u32(12), r.u32(16),
                                 r.u32(20), r.u32(24), r.u32(28));
    p.createObjectAt(r.u32(8), brush);
}

void playRecord(Player& p, quint32 type, const Reader& r) {
    DcState& dc = p.dc();
    const quint32 v = r.u32(8);
    switch (type) {
        case EMR_POLYBEZIER:
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
        case EMR_POLYBEZIER16:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
            polyRecord(p, type, r);
            break;
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON16:
            polyPolyRecord(p, type, r);
            break;
        case EMR_POLYDRAW:
        case EMR_POLYDRAW16:
            polyDrawRecord(p, type, r);
            break;

        case EMR_SETWINDOWEXTEX:
            if (r.has(8, 8))
                p.setWindowExt(sizeL(r, 8));
            break;
        case EMR_SETWINDOWORGEX:
            if (r.has(8, 8))
                p.setWindowOrg(pointL(r, 8));
            break;
        case EMR_SETVIEWPORTEXTEX:
            if (r.has(8, 8))
                p.setViewportExt(sizeL(r, 8));
            break;
        case EMR_SETVIEWPORTORGEX:
            if (r.has(8, 8))
                p.setViewportOrg(pointL(r, 8));
            break;
        case EMR_SCALEVIEWPORTEXTEX:
            if (r.has(8, 16))
                p.scaleViewportExt(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case EMR_SCALEWINDOWEXTEX:
            if (r.has(8, 16))
                p.scaleWindowExt(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case EMR_SETBRUSHORGEX:
            if (r.has(8, 8))
                dc.brushOrg = pointL(r, 8);
            break;
        case EMR_SETMAPMODE:
            p.setMapMode(int(v));
            break;
        case EMR_SETBKMODE:
            if (v == TRANSPARENT || v == OPAQUE)
                dc.bkMode = int(v);
            break;
        case EMR_SETPOLYFILLMODE:
            if (v == ALTERNATE || v == WINDING)
                dc.fillMode = int(v);
            break;
        case EMR_SETROP2:
            if (v >= 1 && v <= 16)
                dc.rop2 = int(v);
            break;
        case EMR_SETSTRETCHBLTMODE:
            dc.stretchMode = int(v);
            break;
        case EMR_SETTEXTALIGN:
            dc.textAlign = v;
            break;
        case EMR_SETTEXTCOLOR:
            if (r.has(8, 4))
                dc.textColor = p.color(v);
            break;
        case EMR_SETBKCOLOR:
            if (r.has(8, 4))
                dc.bkColor = p.color(v);
            break;
        case EMR_SETARCDIRECTION:
            if (v == AD_COUNTERCLOCKWISE || v == AD_CLOCKWISE)
                dc.arcDirection = int(v);
            break;
        case EMR_SETMITERLIMIT: {
            // Written as a float by some programs and as an integer by others.
            const float f = r.f32(8);
            dc.miterLimit =
                std::isfinite(f) && f >= 1 && f <= 1000 ? f : std::clamp<double>(v, 1, 1000);
            break;
        }
        case EMR_SAVEDC:
            p.saveDc();
            break;
        case EMR_RESTOREDC:
            p.restoreDc(r.s32(8));
            break;
        case EMR_SETWORLDTRANSFORM:
            if (r.has(8, 24))
                p.setWorldTransform(xform(r, 8));
            break;
        case EMR_MODIFYWORLDTRANSFORM:
            if (r.has(8, 28))
                p.modifyWorldTransform(xform(r, 8), int(r.u32(32)));
            break;

        case EMR_SETPIXELV:
            if (r.has(8, 12))
                p.setPixel(pointL(r, 8), p.color(r.u32(16)));
            break;
        case EMR_MOVETOEX:
            if (r.has(8, 8))
                p.moveTo(pointL(r, 8));
            break;
        case EMR_LINETO:
            if (r.has(8, 8))
                p.lineTo(pointL(r, 8));
            break;
        case EMR_RECTANGLE:
            if (r.has(8, 16))
                p.rectangle(rectL(r, 8));
            break;
        case EMR_ELLIPSE:
            if (r.has(8, 16))
                p.ellipse(rectL(r, 8));
            break;
        case EMR_ROUNDRECT:
            if (r.has(8, 24))
                p.roundRect(rectL(r, 8), sizeL(r, 24));
            break;
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_ARCTO:
            if (r.has(8, 32)) {
                const auto kind = type == EMR_ARC     ? Player::ArcKind::Arc
                                  : type == EMR_CHORD ? Player::ArcKind::Chord
                                  : type == EMR_PIE   ? Player::ArcKind::Pie
                                                      : Player::ArcKind::ArcTo;
                p.arc(kind, rectL(r, 8), pointL(r, 24), pointL(r, 32));
            }
            break;
        case EMR_ANGLEARC:
            if (r.has(8, 20))
                p.angleArc(pointL(r, 8), r.u32(16), r.f32(20), r.f32(24));
            break;

        case EMR_SELECTOBJECT:
            p.selectObject(v);
            break;
        case EMR_DELETEOBJECT:
            p.deleteObject(v);
            break;
        case EMR_SELECTPALETTE:
            p.selectPalette(v);
            break;
        case EMR_CREATEPEN:
            if (r.has(8, 20)) {
                Pen pen;
                pen.style = r.u32(12);
                pen.width = std::abs(double(r.s32(16)));
                pen.color = p.color(r.u32(24));
                p.createObjectAt(v, pen);
            }
            break;
        case EMR_EXTCREATEPEN:
            p.createObjectAt(v, readExtPen(p, r));
            break;
        case EMR_CREATEBRUSHINDIRECT:
            if (r.has(8, 16)) {
                Brush brush;
                const quint32 style = r.u32(12);
                brush.style = style == BS_NULL || style == BS_HATCHED ? int(style) : BS_SOLID;
                brush.color = p.color(r.u32(16));
                brush.hatch = int(r.u32(20));
                p.createObjectAt(v, brush);
            }
            break;
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT:
            patternBrush(p, type, r);
            break;
        case EMR_EXTCREATEFONTINDIRECTW:
            if (r.has(8, 4 + 28))
                p.createObjectAt(v, readLogFontW(r, 12));
            break;
        case EMR_CREATEPALETTE: {
            Palette palette;
            const qint64 count = std::min<qint64>(r.u16(14), 1024);
            for (qint64 i = 0; i < count && r.has(16 + 4 * i, 4); ++i)
                palette.colors.append(qRgb(r.u8(16 + 4 * i), r.u8(17 + 4 * i), r.u8(18 + 4 * i)));
            p.createObjectAt(v, palette);
            break;
        }
        case EMR_SETPALETTEENTRIES:
            if (Palette* palette = p.palette(v)) {
                const qint64 start = r.u32(12), count = r.u32(16);
                for (qint64 i = 0;
                     i < count && start + i < palette->colors.size() && r.has(20 + 4 * i, 4); ++i)
                    palette->colors[start + i] =
                        qRgb(r.u8(20 + 4 * i), r.u8(21 + 4 * i), r.u8(22 + 4 * i));
            }
            break;
        case EMR_RESIZEPALETTE:
            if (Palette* palette = p.palette(v))
                palette->colors.resize(std::min<qint64>(r.u32(12), 1024), qRgb(0, 0, 0));
            break;

        case EMR_OFFSETCLIPRGN:
            if (r.has(8, 8))
                p.offsetClip(pointL(r, 8));
            break;
        case EMR_SETMETARGN:
            p.setMetaRegion();
            break;
        case EMR_EXCLUDECLIPRECT:
            if (r.has(8, 16))
                p.excludeClipRect(rectL(r, 8));
            break;
        case EMR_INTERSECTCLIPRECT:
            if (r.has(8, 16))
                p.intersectClipRect(rectL(r, 8));
            break;
        case EMR_EXTSELECTCLIPRGN:
            if (r.has(8, 8))
                p.selectClipRegion(regionData(r, 16, r.u32(8), p.budget()), int(r.u32(12)));
            break;
        case EMR_FILLRGN:
        case EMR_FRAMERGN: {
            if (!r.has(24, 8))
                break;
            const Object* o = p.object(r.u32(28));
            const auto* brush = o ? std::get_if<Brush>(o) : nullptr;
            Brush chosen;
            if (r.u32(28) & 0x80000000) {  // stock brush
                const Brush saved = dc.brush;
                p.selectStockObject(r.u32(28) & 0x7FFFFFFF);
                chosen = dc.brush;
                dc.brush = saved;
                brush = &chosen;
            }
            if (!brush)
                break;
            if (type == EMR_FILLRGN) {
                if (auto region = regionData(r, 32, r.u32(24), p.budget()))
                    p.fillRegion(*region, *brush);
            } else if (auto region = regionData(r, 40, r.u32(24), p.budget())) {
                p.frameRegion(*region, *brush, sizeL(r, 32));
            }
            break;
        }
        case EMR_INVERTRGN:
        case EMR_PAINTRGN:
            if (r.has(24, 4)) {
                if (auto region = regionData(r, 28, r.u32(24), p.budget())) {
                    if (type == EMR_PAINTRGN)
                        p.fillRegion(*region, dc.brush);
                    else
                        p.invertRegion(*region);
                }
            }
            break;

        case EMR_BEGINPATH:
            p.beginPath();
            break;
        case EMR_ENDPATH:
            p.endPath();
            break;
        case EMR_CLOSEFIGURE:
            p.closeFigure();
            break;
        case EMR_FILLPATH:
            p.fillPath();
            break;
        case EMR_STROKEANDFILLPATH:
            p.strokeAndFillPath();
            break;
        case EMR_STROKEPATH:
            p.strokePath();
            break;
        case EMR_WIDENPATH:
            p.widenPath();
            break;
        case EMR_SELECTCLIPPATH:
            p.selectClipPath(int(v));
            break;
        case EMR_ABORTPATH:
            p.abortPath();
            break;
        case EMR_FLATTENPATH:
            break;  // curves already draw as the path they are

        case EMR_BITBLT:
        case EMR_STRETCHBLT:
            bitBlt(p, type, r);
            break;
        case EMR_MASKBLT:
            maskBlt(p, r);
            break;
        case EMR_PLGBLT:
            plgBlt(p, r);
            break;
        case EMR_STRETCHDIBITS:
            stretchDiBits(p, r);
            break;
        case EMR_SETDIBITSTODEVICE:
            setDiBitsToDevice(p, r);
            break;
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            alphaOrTransparentBlt(p, type, r);
            break;
        case EMR_GRADIENTFILL:
            gradientFill(p, r);
            break;

        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW:
            if (r.has(8, 28))
                emrText(p, r, 36, type == EMR_EXTTEXTOUTW, int(r.u32(24)));
            break;
        case EMR_POLYTEXTOUTA:
        case EMR_POLYTEXTOUTW:
            if (r.has(8, 32)) {
                const qint64 count = r.u32(36);
                for (qint64 i = 0; i < count && r.has(40 + 40 * i, 40); ++i)
                    emrText(p, r, 40 + 40 * i, type == EMR_POLYTEXTOUTW, int(r.u32(24)));
            }
            break;
        case EMR_SMALLTEXTOUT:
            smallTextOut(p, r);
            break;

        default:
            break;  // comments (EMF+ included), colour management, layout
    }
}

}  // namespace

bool readEmfHeader(MetafileData& data) {
    const Reader r(reinterpret_cast<const uchar*>(data.bytes.constData()), data.bytes.size());
    if (!r.has(0, kMinHeader) || r.u32(0) != EMR_HEADER || r.u32(40) != kEmfSignature)
        return false;
    const qint64 headerSize = r.u32(4);
    if (headerSize < kMinHeader || headerSize > r.size())
        return false;
    data.format = Metafile::Format::Emf;
    data.firstRecord = headerSize;

    const double devX = r.s32(72), devY = r.s32(76), mmX = r.s32(80), mmY = r.s32(84);
    QSizeF upm(96 / 25.4, 96 / 25.4);
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
        const QSizeF ratio(devX / mmX, devY / mmY);
        // A reference device between 1 and 100000 dpi; outside that the header lies.
        if (ratio.width() > 0.04 && ratio.width() < 4000 && ratio.height() > 0.04 &&
            ratio.height() < 4000)
            upm = ratio;
    }
    data.unitsPerMm = upm;

    const QRectF frame100 = rectL(r, 24);  // 0.01 mm
    QRectF frame;
    QSizeF pixels;
    if (frame100.width() > 0 && frame100.height() > 0) {
        frame =
            QRectF(frame100.x() * upm.width() / 100, frame100.y() * upm.height() / 100,
                   frame100.width() * upm.width() / 100, frame100.height() * upm.height() / 100);
        pixels = frame100.size() * (96 / 2540.0);
    } else {
        const QRectF bounds = rectL(r, 8);  // device pixels, inclusive
        if (bounds.width() >= 0 && bounds.height() >= 0)
            frame = bounds.adjusted(0, 0, 1, 1);
        if (frame.isEmpty()) {
            MetafileData probe = data;
            probe.frame = QRectF(0, 0, 1, 1);
            Budget budget;
            Player player(nullptr, QRectF(0, 0, 1, 1), probe, budget);
            playEmf(probe, player);
            frame = player.drawnBounds();
        }
        pixels = QSizeF(frame.width() / upm.width(), frame.height() / upm.height()) * (96 / 25.4);
    }
    data.frame = frame;
    data.size = naturalSize(pixels);
    return true;
}

void playEmf(const MetafileData& data, Player& player) {
    const auto* base = reinterpret_cast<const uchar*>(data.bytes.constData());
    const qint64 end = data.bytes.size();
    qint64 pos = data.firstRecord;
    while (end - pos >= 8) {
        if (!player.budget().spend(Budget::kRecordCost))
            break;
        const Reader head(base + pos, 8);
        const quint32 type = head.u32(0);
        const qint64 size = head.u32(4);
        if (size < 8 || size > end - pos)
            break;  // a length that does not fit: nothing after it can be trusted
        if (type == EMR_EOF)
            break;
        playRecord(player, type, Reader(base + pos, size));
        if (player.budget().exhausted())
            break;
        pos += size;
    }
}

}  // namespace lumora::mf

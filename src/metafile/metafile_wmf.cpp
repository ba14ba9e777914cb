// Windows metafiles (16-bit records), with or without the placeable header.

#include "metafile/metafile_gdi.h"

namespace lumora::mf {
namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableSize = 22;
constexpr qsizetype kHeaderSize = 18;

enum Function : quint16 {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETRELABS = 0x0105,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETTEXTCHAREXTRA = 0x0108,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_RESIZEPALETTE = 0x0139,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_SETLAYOUT = 0x0149,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETTEXTJUSTIFICATION = 0x020A,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_SETMAPPERFLAGS = 0x0231,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_FLOODFILL = 0x0419,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_FRAMEREGION = 0x0429,
    META_ANIMATEPALETTE = 0x0436,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_EXTFLOODFILL = 0x0548,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_ESCAPE = 0x0626,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_BITBLT = 0x0922,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

QPointF pointYX(const Reader& r, qint64 off) {
    return QPointF(r.s16(off + 2), r.s16(off));
}

// Rectangles are stored bottom, right, top, left.
QRectF rectBRTL(const Reader& r, qint64 off) {
    return QRectF(QPointF(r.s16(off + 6), r.s16(off + 4)), QPointF(r.s16(off + 2), r.s16(off)));
}

QPolygonF points(const Reader& r, qint64 off, qint64 count) {
    QPolygonF p;
    p.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        p.append(QPointF(r.s16(off + 4 * i), r.s16(off + 4 * i + 2)));
    return p;
}

QList<QRgb> paletteEntries(const Reader& r, qint64 off, qint64 count) {
    QList<QRgb> colors;
    for (qint64 i = 0; i < count && r.has(off + 4 * i, 4); ++i)
        colors.append(qRgb(r.u8(off + 4 * i), r.u8(off + 4 * i + 1), r.u8(off + 4 * i + 2)));
    return colors;
}

Region readRegion(const Reader& r, Budget& budget) {
    Region region;
    if (!r.has(0, 22))
        return region;
    const int scans = r.s16(10);
    const QRect bounds(QPoint(r.s16(14), r.s16(16)), QPoint(r.s16(18) - 1, r.s16(20) - 1));
    qint64 off = 22;
    int rects = 0;
    for (int s = 0; s < scans; ++s) {
        const int count = r.u16(off);
        const int top = r.s16(off + 2), bottom = r.s16(off + 4);
        if (!r.has(off, 6 + 2 * qint64(count) + 2) || !budget.spend(count * 4 + 8))
            break;
        for (int i = 0; i + 1 < count && rects < kMaxRegionRects; i += 2, ++rects) {
            const int left = r.s16(off + 6 + 2 * i), right = r.s16(off + 8 + 2 * i);
            if (right > left && bottom > top)
                region.region += QRect(left, top, right - left, bottom - top);
        }
        off += 6 + 2 * qint64(count) + 2;
    }
    if (scans <= 0 && bounds.isValid())
        region.region = QRegion(bounds);
    return region;
}

bool isRecordWithoutBitmap(quint16 function, qint64 paramBytes) {
    return paramBytes == 2 * qint64(function >> 8);
}

void wmfBitmapBlit(Player& p, quint16 fn, const Reader& r) {
    DcState& dc = p.dc();
    const quint32 rop = r.u32(0);
    const bool stretch = fn == META_STRETCHBLT || fn == META_DIBSTRETCHBLT;
    if (isRecordWithoutBitmap(fn, r.size())) {
        // The source is the picture itself; only operations without one can be played.
        const qint64 o = stretch ? 14 : 10;  // after the reserved word
        if (!r.has(0, o + 8))
            return;
        const QRectF dest(r.s16(o + 6), r.s16(o + 4), r.s16(o + 2), r.s16(o));
        const int rop3 = (rop >> 16) & 0xFF;
        if (!(((rop3 >> 2) ^ rop3) & 0x33))
            p.patBlt(dest, rop);
        return;
    }
    QRectF src, dest;
    qint64 bitmapAt;
    if (stretch) {
        if (!r.has(0, 20))
            return;
        src = QRectF(r.s16(10), r.s16(8), r.s16(6), r.s16(4));
        dest = QRectF(r.s16(18), r.s16(16), r.s16(14), r.s16(12));
        bitmapAt = 20;
    } else {
        if (!r.has(0, 16))
            return;
        src = QRectF(r.s16(6), r.s16(4), r.s16(10), r.s16(8));
        dest = QRectF(r.s16(14), r.s16(12), r.s16(10), r.s16(8));
        bitmapAt = 16;
    }
    QImage image;
    if (fn == META_DIBBITBLT || fn == META_DIBSTRETCHBLT)
        image = decodePackedDib(r.tail(bitmapAt), DIB_RGB_COLORS, p.paletteColors(), p.budget());
    else
        image = decodeBitmap16(r.tail(bitmapAt), dc.textColor, dc.bkColor, p.budget());
    p.bitmap(dest, image, src, rop);
}

void wmfStretchDib(Player& p, const Reader& r) {
    if (!r.has(0, 22))
        return;
    const quint32 rop = r.u32(0);
    const quint16 usage = r.u16(4);
    const QByteArrayView dib = r.tail(22);
    const QImage image = decodePackedDib(dib, usage, p.paletteColors(), p.budget());
    if (image.isNull()) {
        p.bitmap(QRectF(r.s16(20), r.s16(18), r.s16(16), r.s16(14)), image, QRectF(), rop);
        return;
    }
    const double srcH = r.s16(6), srcW = r.s16(8), ySrc = r.s16(10), xSrc = r.s16(12);
    // DIB coordinates start at the bottom-left corner of a bottom-up DIB.
    const double top = dibBottomUp(dib) ? image.height() - ySrc - srcH : ySrc;
    p.bitmap(QRectF(r.s16(20), r.s16(18), r.s16(16), r.s16(14)), image,
             QRectF(xSrc, top, srcW, srcH), rop);
}

void wmfSetDibToDev(Player& p, const Reader& r) {
    if (!r.has(0, 18))
        return;
    const quint16 usage = r.u16(0);
    const qint64 scans = r.u16(2), startScan = r.u16(4);
    const double yDib = r.s16(6), xDib = r.s16(8), height = r.s16(10), width = r.s16(12);
    const QPointF destLogical(r.s16(16), r.s16(14));
    const QByteArrayView dib = r.tail(18);
    const qint64 infoSize = dibInfoSize(dib, usage);
    if (infoSize < 0)
        return;
    const QByteArray band = dibHeaderWithRows(dib.first(infoSize), scans);
    if (band.isEmpty())
        return;
    const QImage image =
        decodeDib(band, dib.sliced(infoSize), usage, p.paletteColors(), p.budget());
    if (image.isNull())
        return;
    // The band holds scans startScan.. counted from the bottom of the DIB.
    const double top = dibBottomUp(dib) ? double(startScan + scans) - yDib - height : yDib;
    const QPointF d = p.logicalToDevice().map(destLogical);
    const QPointF corners[3] = {d, d + QPointF(width, 0), d + QPointF(0, height)};
    p.bitmapAt(corners, image, QRectF(xDib, top, width, height), SRCCOPY);
}

void wmfExtTextOut(Player& p, const Reader& r) {
    if (!r.has(0, 8))
        return;
    const QPointF ref(r.s16(2), r.s16(0));
    const qint64 length = std::max<qint16>(0, r.s16(4));
    const quint16 options = r.u16(6);
    qint64 off = 8;
    std::optional<QRectF> rect;
    if ((options & (ETO_OPAQUE | ETO_CLIPPED)) && r.has(8, 8)) {
        rect = QRectF(QPointF(r.s16(8), r.s16(10)), QPointF(r.s16(12), r.s16(14)));
        off = 16;
    }
    const QByteArrayView bytes = r.view(off, std::min<qint64>(length, r.size() - off));
    const QString text = decodeAnsi(bytes, p.dc().font.charSet);
    std::vector<double> dx;
    const qint64 dxAt = off + ((bytes.size() + 1) & ~qint64(1));
    if (bytes.size() == text.size() && r.has(dxAt, 2 * bytes.size())) {
        dx.reserve(bytes.size());
        for (qint64 i = 0; i < bytes.size(); ++i)
            dx.push_back(r.s16(dxAt + 2 * i));
    }
    p.textOut(ref, text, dx, options & (ETO_OPAQUE | ETO_CLIPPED), rect);
}

void playRecord(Player& p, quint16 fn, const Reader& r) {
    DcState& dc = p.dc();
    switch (fn) {
        case META_SETBKMODE:
            if (r.u16(0) == TRANSPARENT || r.u16(0) == OPAQUE)
                dc.bkMode = r.u16(0);
            break;
        case META_SETMAPMODE:
            p.setMapMode(r.u16(0));
            break;
        case META_SETROP2:
            if (r.u16(0) >= 1 && r.u16(0) <= 16)
                dc.rop2 = r.u16(0);
            break;
        case META_SETPOLYFILLMODE:
            if (r.u16(0) == ALTERNATE || r.u16(0) == WINDING)
                dc.fillMode = r.u16(0);
            break;
        case META_SETSTRETCHBLTMODE:
            dc.stretchMode = r.u16(0);
            break;
        case META_SETTEXTCHAREXTRA:
            dc.charExtra = r.s16(0);
            break;
        case META_SETBKCOLOR:
            if (r.has(0, 4))
                dc.bkColor = p.color(r.u32(0));
            break;
        case META_SETTEXTCOLOR:
            if (r.has(0, 4))
                dc.textColor = p.color(r.u32(0));
            break;
        case META_SETTEXTALIGN:
            dc.textAlign = r.u16(0);
            break;
        case META_SETWINDOWORG:
            if (r.has(0, 4))
                p.setWindowOrg(pointYX(r, 0));
            break;
        case META_SETWINDOWEXT:
            if (r.has(0, 4))
                p.setWindowExt(QSizeF(r.s16(2), r.s16(0)));
            break;
        case META_SETVIEWPORTORG:
            if (r.has(0, 4))
                p.setViewportOrg(pointYX(r, 0));
            break;
        case META_SETVIEWPORTEXT:
            if (r.has(0, 4))
                p.setViewportExt(QSizeF(r.s16(2), r.s16(0)));
            break;
        case META_OFFSETWINDOWORG:
            if (r.has(0, 4))
                p.offsetWindowOrg(pointYX(r, 0));
            break;
        case META_OFFSETVIEWPORTORG:
            if (r.has(0, 4))
                p.offsetViewportOrg(pointYX(r, 0));
            break;
        case META_SCALEWINDOWEXT:
            if (r.has(0, 8))
                p.scaleWindowExt(r.s16(6), r.s16(4), r.s16(2), r.s16(0));
            break;
        case META_SCALEVIEWPORTEXT:
            if (r.has(0, 8))
                p.scaleViewportExt(r.s16(6), r.s16(4), r.s16(2), r.s16(0));
            break;
        case META_SAVEDC:
            p.saveDc();
            break;
        case META_RESTOREDC:
            p.restoreDc(r.s16(0));
            break;

        case META_MOVETO:
            if (r.has(0, 4))
                p.moveTo(pointYX(r, 0));
            break;
        case META_LINETO:
            if (r.has(0, 4))
                p.lineTo(pointYX(r, 0));
            break;
        case META_POLYGON:
        case META_POLYLINE: {
            const qint64 n = std::max<qint16>(0, r.s16(0));
            if (!r.has(2, 4 * n))
                break;
            const QPolygonF pts = points(r, 2, n);
            if (fn == META_POLYGON)
                p.polygon(pts);
            else
                p.polyline(pts);
            break;
        }
        case META_POLYPOLYGON: {
            const qint64 count = r.u16(0);
            if (!r.has(2, 2 * count))
                break;
            qint64 total = 0;
            for (qint64 i = 0; i < count; ++i)
                total += r.u16(2 + 2 * i);
            qint64 off = 2 + 2 * count;
            if (!r.has(off, 4 * total))
                break;
            std::vector<QPolygonF> polygons;
            polygons.reserve(count);
            for (qint64 i = 0; i < count; ++i) {
                const qint64 n = r.u16(2 + 2 * i);
                polygons.push_back(points(r, off, n));
                off += 4 * n;
            }
            p.polyPolygon(polygons);
            break;
        }
        case META_RECTANGLE:
            if (r.has(0, 8))
                p.rectangle(rectBRTL(r, 0));
            break;
        case META_ROUNDRECT:
            if (r.has(0, 12))
                p.roundRect(rectBRTL(r, 4), QSizeF(r.s16(2), r.s16(0)));
            break;
        case META_ELLIPSE:
            if (r.has(0, 8))
                p.ellipse(rectBRTL(r, 0));
            break;
        case META_ARC:
        case META_PIE:
        case META_CHORD:
            if (r.has(0, 16)) {
                const auto kind = fn == META_ARC   ? Player::ArcKind::Arc
                                  : fn == META_PIE ? Player::ArcKind::Pie
                                                   : Player::ArcKind::Chord;
                p.arc(kind, rectBRTL(r, 8), pointYX(r, 4), pointYX(r, 0));
            }
            break;
        case META_SETPIXEL:
            if (r.has(0, 8))
                p.setPixel(pointYX(r, 4), p.color(r.u32(0)));
            break;
        case META_TEXTOUT: {
            const qint64 length = std::max<qint16>(0, r.s16(0));
            if (!r.has(2, length))
                break;
            const qint64 at = 2 + ((length + 1) & ~qint64(1));
            if (!r.has(at, 4))
                break;
            p.textOut(pointYX(r, at), decodeAnsi(r.view(2, length), dc.font.charSet), {}, 0, {});
            break;
        }
        case META_EXTTEXTOUT:
            wmfExtTextOut(p, r);
            break;

        case META_SELECTOBJECT:
            p.selectObject(r.u16(0));
            break;
        case META_DELETEOBJECT:
            p.deleteObject(r.u16(0));
            break;
        case META_SELECTPALETTE:
            p.selectPalette(r.u16(0));
            break;
        case META_CREATEPENINDIRECT: {
            // Every create record takes a slot, readable or not, so that
            // later indices stay right.
            Pen pen;
            if (r.has(0, 10)) {
                pen.style = r.u16(0);
                pen.width = std::abs(r.s16(2));
                pen.color = p.color(r.u32(6));
            }
            p.createObject(pen);
            break;
        }
        case META_CREATEBRUSHINDIRECT: {
            Brush brush;
            if (r.has(0, 8)) {
                const int style = r.u16(0);
                brush.style = style == BS_NULL || style == BS_HATCHED ? style : BS_SOLID;
                brush.color = p.color(r.u32(2));
                brush.hatch = r.u16(6);
            }
            p.createObject(brush);
            break;
        }
        case META_CREATEFONTINDIRECT: {
            Font font;
            if (r.has(0, 18)) {
                font.height = r.s16(0);
                font.width = r.s16(2);
                font.escapement = r.s16(4);
                font.weight = r.s16(8);
                font.italic = r.u8(10);
                font.underline = r.u8(11);
                font.strikeOut = r.u8(12);
                font.charSet = r.u8(13);
                font.pitchAndFamily = r.u8(17);
                QByteArrayView face = r.view(18, std::min<qint64>(32, r.size() - 18));
                const qsizetype nul = face.indexOf('\0');
                if (nul >= 0)
                    face = face.first(nul);
                font.face = decodeAnsi(face, 0).trimmed();
            }
            p.createObject(font);
            break;
        }
        case META_DIBCREATEPATTERNBRUSH: {
            Brush brush;
            brush.style = BS_DIBPATTERNPT;
            brush.color = Qt::black;
            if (r.has(0, 4)) {
                const quint16 usage = r.u16(0) == BS_PATTERN ? quint16(DIB_RGB_COLORS) : r.u16(2);
                brush.pattern = decodePackedDib(r.tail(4), usage, p.paletteColors(), p.budget());
            }
            p.createObject(brush);
            break;
        }
        case META_CREATEPATTERNBRUSH: {
            Brush brush;
            brush.style = BS_PATTERN;
            brush.color = Qt::black;
            if (r.has(0, 32)) {
                // Bitmap16 header, its unused bits pointer and 18 reserved bytes, then the bits.
                QByteArray bitmap = r.view(0, 10).toByteArray();
                bitmap.append(r.tail(32).toByteArray());
                brush.mono = r.u8(9) == 1;
                brush.pattern = decodeBitmap16(bitmap, Qt::black, Qt::white, p.budget());
            }
            p.createObject(brush);
            break;
        }
        case META_CREATEPALETTE: {
            Palette palette;
            palette.colors = paletteEntries(r, 4, std::min<qint64>(r.u16(2), 1024));
            p.createObject(palette);
            break;
        }
        case META_CREATEREGION:
            p.createObject(readRegion(r, p.budget()));
            break;
        case META_SETPALENTRIES:
        case META_ANIMATEPALETTE:
            if (dc.palette >= 0) {
                if (Palette* palette = p.palette(quint32(dc.palette))) {
                    const qint64 start = r.u16(0);
                    const QList<QRgb> colors = paletteEntries(r, 4, r.u16(2));
                    for (qint64 i = 0; i < colors.size() && start + i < palette->colors.size(); ++i)
                        palette->colors[start + i] = colors[i];
                }
            }
            break;
        case META_RESIZEPALETTE:
            if (dc.palette >= 0)
                if (Palette* palette = p.palette(quint32(dc.palette)))
                    palette->colors.resize(std::min<qint64>(r.u16(0), 1024), qRgb(0, 0, 0));
            break;

        case META_EXCLUDECLIPRECT:
            if (r.has(0, 8))
                p.excludeClipRect(rectBRTL(r, 0));
            break;
        case META_INTERSECTCLIPRECT:
            if (r.has(0, 8))
                p.intersectClipRect(rectBRTL(r, 0));
            break;
        case META_OFFSETCLIPRGN:
            if (r.has(0, 4))
                p.offsetClip(pointYX(r, 0));
            break;
        case META_SELECTCLIPREGION: {
            const Object* o = p.object(r.u16(0));
            if (const auto* region = o ? std::get_if<Region>(o) : nullptr)
                p.selectLogicalClipRegion(region->region);
            else
                p.selectClipRegion(std::nullopt, RGN_COPY);
            break;
        }
        case META_FILLREGION:
        case META_FRAMEREGION: {
            const Object* ro = p.object(r.u16(0));
            const Object* bo = p.object(r.u16(2));
            const auto* region = ro ? std::get_if<Region>(ro) : nullptr;
            const auto* brush = bo ? std::get_if<Brush>(bo) : nullptr;
            if (!region || !brush)
                break;
            if (fn == META_FILLREGION)
                p.fillRegion(region->region, *brush);
            else if (r.has(0, 8))
                p.frameRegion(region->region, *brush, QSizeF(r.s16(6), r.s16(4)));
            break;
        }
        case META_PAINTREGION:
        case META_INVERTREGION: {
            const Object* o = p.object(r.u16(0));
            if (const auto* region = o ? std::get_if<Region>(o) : nullptr) {
                if (fn == META_PAINTREGION)
                    p.fillRegion(region->region, dc.brush);
                else
                    p.invertRegion(region->region);
            }
            break;
        }

        case META_PATBLT:
            if (r.has(0, 12))
                p.patBlt(QRectF(r.s16(10), r.s16(8), r.s16(6), r.s16(4)), r.u32(0));
            break;
        case META_BITBLT:
        case META_STRETCHBLT:
        case META_DIBBITBLT:
        case META_DIBSTRETCHBLT:
            wmfBitmapBlit(p, fn, r);
            break;
        case META_STRETCHDIB:
            wmfStretchDib(p, r);
            break;
        case META_SETDIBTODEV:
            wmfSetDibToDev(p, r);
            break;

        default:
            break;  // escapes, flood fills, layout and the like are not drawn
    }
}

bool isSetupRecord(quint16 fn) {
    switch (fn) {
        case META_SETBKMODE:
        case META_SETMAPMODE:
        case META_SETROP2:
        case META_SETRELABS:
        case META_SETPOLYFILLMODE:
        case META_SETSTRETCHBLTMODE:
        case META_SETTEXTCHAREXTRA:
        case META_SETBKCOLOR:
        case META_SETTEXTCOLOR:
        case META_SETTEXTALIGN:
        case META_SETTEXTJUSTIFICATION:
        case META_SETWINDOWORG:
        case META_SETWINDOWEXT:
        case META_SETVIEWPORTORG:
        case META_SETVIEWPORTEXT:
        case META_OFFSETWINDOWORG:
        case META_OFFSETVIEWPORTORG:
        case META_SCALEWINDOWEXT:
        case META_SCALEVIEWPORTEXT:
        case META_SAVEDC:
        case META_RESTOREDC:
        case META_SELECTOBJECT:
        case META_DELETEOBJECT:
        case META_SELECTPALETTE:
        case META_REALIZEPALETTE:
        case META_SETPALENTRIES:
        case META_CREATEPALETTE:
        case META_CREATEPENINDIRECT:
        case META_CREATEFONTINDIRECT:
        case META_CREATEBRUSHINDIRECT:
        case META_CREATEPATTERNBRUSH:
        case META_DIBCREATEPATTERNBRUSH:
        case META_CREATEREGION:
        case META_ESCAPE:
        case META_SETMAPPERFLAGS:
        case META_SETLAYOUT:
        case META_MOVETO:
        case META_INTERSECTCLIPRECT:
        case META_EXCLUDECLIPRECT:
            return true;
        default:
            return false;
    }
}

template <typename Visit>
void forEachRecord(const MetafileData& data, Budget* budget, Visit&& visit) {
    const auto* base = reinterpret_cast<const uchar*>(data.bytes.constData());
    const qint64 end = data.bytes.size();
    qint64 pos = data.firstRecord;
    while (end - pos >= 6) {
        if (budget && !budget->spend(Budget::kRecordCost))
            break;
        const Reader head(base + pos, 6);
        const qint64 words = head.u32(0);
        const quint16 fn = head.u16(4);
        if (words < 3 || words > (end - pos) / 2)
            break;  // a length that does not fit: nothing after it can be trusted
        if (fn == META_EOF)
            break;
        if (!visit(fn, Reader(base + pos + 6, words * 2 - 6)))
            break;
        pos += words * 2;
    }
}

// The frame a plain WMF sets up for itself: its window, or that window's
// image in an explicitly set viewport, taken from the records before the
// first drawing. Empty when there is none to take.
QRectF windowFrame(const MetafileData& data) {
    int mode = MM_ANISOTROPIC;
    QPointF wOrg;
    std::optional<QSizeF> wExt, vExt;
    std::optional<QPointF> vOrgSet;
    Budget budget(Budget::kPerPlay / 8);
    forEachRecord(data, &budget, [&](quint16 fn, const Reader& r) {
        if (!isSetupRecord(fn))
            return false;
        const QSizeF ext(r.s16(2), r.s16(0));
        const QPointF pt = pointYX(r, 0);
        switch (fn) {
            case META_SETMAPMODE:
                if (r.u16(0) >= MM_TEXT && r.u16(0) <= MM_ANISOTROPIC)
                    mode = r.u16(0);
                break;
            case META_SETWINDOWORG:
                wOrg = pt;
                break;
            case META_OFFSETWINDOWORG:
                wOrg += pt;
                break;
            case META_SETWINDOWEXT:
                if (ext.width() != 0 && ext.height() != 0)
                    wExt = ext;
                break;
            case META_SETVIEWPORTORG:
                vOrgSet = pt;
                break;
            case META_SETVIEWPORTEXT:
                if (ext.width() != 0 && ext.height() != 0)
                    vExt = ext;
                break;
            default:
                break;
        }
        return true;
    });
    if (!wExt || (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC))
        return {};
    const QRectF window(wOrg, *wExt);
    if (mode == MM_TEXT || !vExt)
        return window.normalized();
    DcState dc;
    dc.mapMode = mode;
    dc.windowOrg = wOrg;
    dc.windowExt = *wExt;
    dc.viewportOrg = vOrgSet ? *vOrgSet : wOrg;
    dc.viewportExt = *vExt;
    const double sx = dc.viewportExt.width() / dc.windowExt.width();
    const double sy = dc.viewportExt.height() / dc.windowExt.height();
    double ax = sx, ay = sy;
    if (mode == MM_ISOTROPIC) {
        const double s = std::min(std::fabs(sx), std::fabs(sy));
        ax = std::copysign(s, sx);
        ay = std::copysign(s, sy);
    }
    const QTransform t(ax, 0, 0, ay, dc.viewportOrg.x() - wOrg.x() * ax,
                       dc.viewportOrg.y() - wOrg.y() * ay);
    return t.mapRect(window.normalized());
}

}  // namespace

bool readWmfHeader(MetafileData& data) {
    const Reader r(reinterpret_cast<const uchar*>(data.bytes.constData()), data.bytes.size());
    const bool placeable = r.u32(0) == kPlaceableKey;
    const qint64 at = placeable ? kPlaceableSize : 0;
    if (!r.has(at, kHeaderSize))
        return false;
    const quint16 type = r.u16(at), headerWords = r.u16(at + 2), version = r.u16(at + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return false;
    data.firstRecord = at + kHeaderSize;

    double unitsPerInch = 96;
    QRectF frame;
    if (placeable) {
        data.format = Metafile::Format::PlaceableWmf;
        const int inch = r.u16(14);
        unitsPerInch = inch > 0 ? inch : 1440;  // twips when the header leaves it out
        frame = QRectF(QPointF(r.s16(6), r.s16(8)), QPointF(r.s16(10), r.s16(12))).normalized();
    } else {
        data.format = Metafile::Format::Wmf;
    }
    data.unitsPerMm = QSizeF(unitsPerInch / 25.4, unitsPerInch / 25.4);
    if (frame.isEmpty())
        frame = windowFrame(data);
    if (frame.isEmpty()) {
        // Nothing says where the picture is: take what it draws.
        MetafileData probe = data;
        probe.frame = QRectF(0, 0, 1, 1);
        Budget budget;
        Player bounds(nullptr, QRectF(0, 0, 1, 1), probe, budget);
        playWmf(probe, bounds);
        frame = bounds.drawnBounds();
    }
    data.frame = frame;
    data.size = naturalSize(frame.size() * (96.0 / unitsPerInch));
    return true;
}

void playWmf(const MetafileData& data, Player& player) {
    forEachRecord(data, &player.budget(), [&](quint16 fn, const Reader& r) {
        playRecord(player, fn, r);
        return !player.budget().exhausted();
    });
}

}  // namespace lumora::mf

// Bitmaps drawn with raster operations, pattern blits, alpha and
// transparent blits, masks and gradient fills.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

// Bitwise value of a truth table indexed by (p << 1) | s over RGB bits.
quint32 evalTable(int table, quint32 s, quint32 p) {
    quint32 r = 0;
    if (table & 1)
        r |= ~s & ~p;
    if (table & 2)
        r |= s & ~p;
    if (table & 4)
        r |= ~s & p;
    if (table & 8)
        r |= s & p;
    return r & 0x00FFFFFF;
}

}  // namespace

// ---- Bitmaps -----------------------------------------------------------------------

void Player::bitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const double x0 = dest.x(), y0 = dest.y();
    const double x1 = x0 + dest.width(), y1 = y0 + dest.height();
    const QPointF corners[3] = {m.map(QPointF(x0, y0)), m.map(QPointF(x1, y0)),
                                m.map(QPointF(x0, y1))};
    bitmapAt(corners, image, src, rop);
}

void Player::bitmapAt(const QPointF in[3], const QImage& image, const QRectF& src, quint32 rop) {
    const int rop3 = (rop >> 16) & 0xFF;
    const bool usesSource = ((rop3 >> 2) ^ rop3) & 0x33;
    QPointF tl = in[0], tr = in[1], bl = in[2];
    if (!usesSource) {
        fillDevicePolygonRop(QPolygonF({tl, tr, tr + (bl - tl), bl}), rop);
        return;
    }
    if (image.isNull())
        return;
    double sx = src.x(), sy = src.y(), sw = src.width(), sh = src.height();
    if (!finite(sx) || !finite(sy) || !finite(sw) || !finite(sh) || sw == 0 || sh == 0)
        return;
    if (sw < 0) {  // a mirrored source swaps the destination's sides
        sx += sw;
        sw = -sw;
        const QPointF across = tr - tl;
        tl = tr;
        tr = tr - across;
        bl = bl + across;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        const QPointF down = bl - tl;
        tl = bl;
        bl = bl - down;
        tr = tr + down;
    }
    // Only the part of the source inside the bitmap is drawn.
    const double cx0 = std::max(sx, 0.0), cy0 = std::max(sy, 0.0);
    const double cx1 = std::min(sx + sw, double(image.width()));
    const double cy1 = std::min(sy + sh, double(image.height()));
    if (cx1 <= cx0 || cy1 <= cy0)
        return;
    auto at = [&](double x, double y) {
        const double u = (x - sx) / sw, v = (y - sy) / sh;
        return tl + u * (tr - tl) + v * (bl - tl);
    };
    const QRect pixels =
        QRectF(QPointF(cx0, cy0), QPointF(cx1, cy1)).toAlignedRect() & image.rect();
    if (pixels.isEmpty())
        return;
    const QPointF corners[3] = {at(pixels.left(), pixels.top()),
                                at(pixels.left() + pixels.width(), pixels.top()),
                                at(pixels.left(), pixels.top() + pixels.height())};
    const QPolygonF outline(
        {corners[0], corners[1], corners[1] + (corners[2] - corners[0]), corners[2]});
    if (!prepare(outline.boundingRect(), 4))
        return;
    drawImagePasses(corners, image, pixels, rop);
}

void Player::drawImagePasses(const QPointF corners[3], const QImage& image, const QRect& src,
                             quint32 rop) {
    const int rop3 = (rop >> 16) & 0xFF;
    // Any ternary operation as D' = (D & X) ^ Y, X and Y functions of source
    // and pattern: tables indexed by (p << 1) | s.
    int xTable = 0, yTable = 0;
    for (int p = 0; p < 2; ++p) {
        for (int s = 0; s < 2; ++s) {
            const int f0 = (rop3 >> (p << 2 | s << 1)) & 1;
            const int f1 = (rop3 >> (p << 2 | s << 1 | 1)) & 1;
            const int index = p << 1 | s;
            xTable |= (f0 ^ f1) << index;
            yTable |= f0 << index;
        }
    }
    const QPointF ux = corners[1] - corners[0], vy = corners[2] - corners[0];
    const QTransform place(ux.x() / src.width(), ux.y() / src.width(), vy.x() / src.height(),
                           vy.y() / src.height(), corners[0].x(), corners[0].y());
    painter_->setWorldTransform(place * frame_ * base_);
    // GDI enlarges bitmaps by repeating pixels; only reductions are smoothed.
    const double across = std::hypot(ux.x(), ux.y()) * frameScale_ / src.width();
    const double down = std::hypot(vy.x(), vy.y()) * frameScale_ / src.height();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, across < 1 || down < 1);

    constexpr int kSourceTable = 0xA;  // Y = s
    if (xTable == 0 && yTable == kSourceTable) {
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_->drawImage(QPointF(0, 0), image, QRectF(src));
        return;
    }
    if (!budget_.spend(quint64(src.width()) * quint64(src.height()) * 4))
        return;
    const quint32 pattern = dc_.brush.style == BS_NULL ? 0 : (dc_.brush.color.rgb() & 0xFFFFFF);
    const QImage source = image.copy(src).convertToFormat(QImage::Format_ARGB32);
    auto derived = [&](int table, bool forAnd) {
        QImage out(source.size(), QImage::Format_RGB32);
        for (int y = 0; y < source.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < source.width(); ++x) {
                // Pixels the source leaves out (RLE skips, masks) keep the destination.
                if (qAlpha(in[x]) == 0)
                    o[x] = forAnd ? 0xFFFFFFFF : 0xFF000000;
                else
                    o[x] = 0xFF000000 | evalTable(table, in[x] & 0xFFFFFF, pattern);
            }
        }
        return out;
    };
    painter_->setRenderHint(QPainter::Antialiasing, false);
    if (xTable == 0 || !rasterOps_) {
        // No use of the destination (or no way to read it): draw the result.
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_->drawImage(QPointF(0, 0), xTable == 0 ? derived(yTable, false) : source);
        return;
    }
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);  // keep bits exact
    if (xTable != 0xF) {
        painter_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter_->drawImage(QPointF(0, 0), derived(xTable, true));
    }
    if (yTable != 0) {
        painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter_->drawImage(QPointF(0, 0), derived(yTable, false));
    }
}

void Player::fillDevicePolygonRop(const QPolygonF& device, quint32 rop) {
    const int rop3 = (rop >> 16) & 0xFF;
    int table = 0;  // over (p << 1) | d
    for (int p = 0; p < 2; ++p)
        for (int d = 0; d < 2; ++d)
            table |= ((rop3 >> (p << 2 | d)) & 1) << (p << 1 | d);
    if (table == kNopTable)
        return;
    QPainterPath path;
    path.addPolygon(device);
    path.closeSubpath();
    if (dc_.inPath || !prepare(path.controlPointRect(), 4))
        return;
    painter_->setWorldTransform(base_);
    painter_->setPen(Qt::NoPen);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    const QPainterPath t = frame_.map(path);
    if (table == kCopyTable) {
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_->setBrush(qbrush(dc_.brush));
        if (dc_.brush.style != BS_NULL)
            painter_->drawPath(t);
        return;
    }
    if (!rasterOps_) {
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_->setBrush(table == 0     ? QBrush(Qt::black)
                           : table == 0xF ? QBrush(Qt::white)
                                          : qbrush(dc_.brush));
        painter_->drawPath(t);
        return;
    }
    painter_->setCompositionMode(compositionFor(table));
    painter_->setBrush(dc_.brush.style == BS_NULL ? QBrush(Qt::black) : qbrush(dc_.brush));
    painter_->drawPath(t);
}

void Player::patBlt(const QRectF& dest, quint32 rop) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const double x0 = dest.x(), y0 = dest.y();
    const double x1 = x0 + dest.width(), y1 = y0 + dest.height();
    fillDevicePolygonRop(QPolygonF({m.map(QPointF(x0, y0)), m.map(QPointF(x1, y0)),
                                    m.map(QPointF(x1, y1)), m.map(QPointF(x0, y1))}),
                         rop);
}

void Player::alphaBlend(const QRectF& dest, const QImage& image, const QRectF& src,
                        int constAlpha) {
    if (constAlpha <= 0 || !painter_) {
        if (!painter_)
            bitmap(dest, image, src, SRCCOPY);  // bounds only
        return;
    }
    painter_->setOpacity(constAlpha / 255.0);
    bitmap(dest, image, src, SRCCOPY);
    painter_->setOpacity(1);
}

void Player::transparentBlit(const QRectF& dest, const QImage& image, const QRectF& src,
                             QRgb transparent) {
    if (image.isNull() || !budget_.spend(quint64(image.width()) * quint64(image.height())))
        return;
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    bitmap(dest, keyed, src, SRCCOPY);
}

void Player::maskBlit(const QRectF& dest, const QImage& image, const QRectF& src,
                      const QImage& mask, QPoint maskOrigin, quint32 rop) {
    if (image.isNull())
        return;
    if (mask.isNull()) {
        bitmap(dest, image, src, rop & 0x00FFFFFF);
        return;
    }
    if (!budget_.spend(quint64(image.width()) * quint64(image.height()) * 2))
        return;
    // Foreground operation where the mask is 1, background where it is 0;
    // each pass leaves the other's pixels out.
    const quint32 fore = rop & 0x00FFFFFF;
    const quint32 back = ((rop >> 8) & 0x00FF0000) | (rop & 0xFFFF);
    const int sx = int(std::floor(src.x())), sy = int(std::floor(src.y()));
    auto masked = [&](bool keepSet) {
        QImage out = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            const int my = maskOrigin.y() + (y - sy);
            for (int x = 0; x < out.width(); ++x) {
                const int mx = maskOrigin.x() + (x - sx);
                const bool set = mask.valid(mx, my) && qGray(mask.pixel(mx, my)) >= 128;
                if (set != keepSet)
                    line[x] = 0;
            }
        }
        return out;
    };
    if (((back >> 16) & 0xFF) != 0xAA)
        bitmap(dest, masked(false), src, back);
    bitmap(dest, masked(true), src, fore);
}

void Player::gradientRect(const QRectF& logical, QColor from, QColor to, bool vertical) {
    const QTransform& m = mapping();
    if (!mappingValid_ || ropSkips())
        return;
    const QRectF r = logical.normalized();
    QPainterPath device;
    device.addPolygon(m.map(QPolygonF(r)));
    device.closeSubpath();
    if (!prepare(device.controlPointRect(), 4))
        return;
    const QTransform c = m * frame_;
    QLinearGradient g(c.map(r.topLeft()), c.map(vertical ? r.bottomLeft() : r.topRight()));
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    painter_->setWorldTransform(base_);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(g);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->drawPath(frame_.map(device));
}

void Player::gradientTriangle(const QPolygonF& logical, QColor average) {
    const QTransform& m = mapping();
    if (!mappingValid_ || logical.size() != 3)
        return;
    QPainterPath device;
    device.addPolygon(m.map(logical));
    device.closeSubpath();
    if (!prepare(device.controlPointRect(), 3))
        return;
    painter_->setWorldTransform(base_);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(average);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->drawPath(frame_.map(device));
}

}  // namespace lumora::mf

// Lines, curves, shapes, pixels and region fills.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

// Angle of a point on the ellipse inscribed in r, in Qt's parametric
// degrees (counter-clockwise on a y-down device).
double ellipseAngle(const QRectF& r, QPointF p) {
    const QPointF c = r.center();
    const double rx = r.width() / 2, ry = r.height() / 2;
    const double dx = (p.x() - c.x()) / rx, dy = -(p.y() - c.y()) / ry;
    if (dx == 0 && dy == 0)
        return 0;
    return std::atan2(dy, dx) * 180 / M_PI;
}

double positiveSweep(double degrees) {
    double s = std::fmod(degrees, 360.0);
    if (s <= 1e-9)
        s += 360;
    return s;
}

}  // namespace

// ---- Lines and shapes ----------------------------------------------------------

void Player::moveTo(QPointF p) {
    dc_.position = p;
}

void Player::lineTo(QPointF p) {
    const QTransform& m = mapping();
    if (mappingValid_) {
        QPainterPath path(m.map(dc_.position));
        path.lineTo(m.map(p));
        if (dc_.inPath)
            addToPath(path, true);
        else
            drawDevicePath(path, false, true);
    }
    dc_.position = p;
}

void Player::polyline(const QPolygonF& points) {
    const QTransform& m = mapping();
    if (points.size() < 2 || !mappingValid_)
        return;
    QPainterPath path;
    path.addPolygon(m.map(points));
    drawDevicePath(path, false, true);
}

void Player::polylineTo(const QPolygonF& points) {
    const QTransform& m = mapping();
    if (points.isEmpty())
        return;
    if (mappingValid_) {
        QPainterPath path(m.map(dc_.position));
        for (const QPointF& p : points)
            path.lineTo(m.map(p));
        if (dc_.inPath)
            addToPath(path, true);
        else
            drawDevicePath(path, false, true);
    }
    dc_.position = points.back();
}

void Player::polyPolyline(const std::vector<QPolygonF>& lines) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPainterPath path;
    for (const QPolygonF& line : lines)
        if (line.size() >= 2)
            path.addPolygon(m.map(line));
    drawDevicePath(path, false, true);
}

void Player::polygon(const QPolygonF& points) {
    if (points.size() < 2)
        return;
    polyPolygon({points});
}

void Player::polyPolygon(const std::vector<QPolygonF>& polygons) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPainterPath path;
    path.setFillRule(dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(m.map(polygon));
        path.closeSubpath();
    }
    drawDevicePath(path, true, true);
}

void Player::polyBezier(const QPolygonF& points) {
    const QTransform& m = mapping();
    if (points.size() < 4 || !mappingValid_)
        return;
    QPainterPath path(m.map(points[0]));
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(m.map(points[i]), m.map(points[i + 1]), m.map(points[i + 2]));
    drawDevicePath(path, false, true);
}

void Player::polyBezierTo(const QPolygonF& points) {
    const QTransform& m = mapping();
    const qsizetype usable = points.size() - points.size() % 3;
    if (usable < 3)
        return;
    if (mappingValid_) {
        QPainterPath path(m.map(dc_.position));
        for (qsizetype i = 0; i + 2 < usable; i += 3)
            path.cubicTo(m.map(points[i]), m.map(points[i + 1]), m.map(points[i + 2]));
        if (dc_.inPath)
            addToPath(path, true);
        else
            drawDevicePath(path, false, true);
    }
    dc_.position = points[usable - 1];
}

void Player::polyDraw(const QPolygonF& points, const QByteArrayView& types) {
    enum { PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6 };
    const QTransform& m = mapping();
    if (points.size() != types.size() || !mappingValid_)
        return;
    // GDI refuses the whole call when a type is wrong; check first.
    for (qsizetype i = 0; i < types.size(); ++i) {
        const int t = uchar(types[i]) & ~PT_CLOSEFIGURE;
        if (t == PT_BEZIERTO) {
            if (i + 2 >= types.size() || (uchar(types[i + 1]) & ~PT_CLOSEFIGURE) != PT_BEZIERTO ||
                (uchar(types[i + 2]) & ~PT_CLOSEFIGURE) != PT_BEZIERTO)
                return;
            i += 2;
        } else if (t != PT_LINETO && t != PT_MOVETO) {
            return;
        }
    }
    QPainterPath path(m.map(dc_.position));
    QPointF last = dc_.position;
    for (qsizetype i = 0; i < types.size(); ++i) {
        const int type = uchar(types[i]);
        const int t = type & ~PT_CLOSEFIGURE;
        if (t == PT_MOVETO) {
            path.moveTo(m.map(points[i]));
            last = points[i];
        } else if (t == PT_LINETO) {
            path.lineTo(m.map(points[i]));
            last = points[i];
        } else {
            path.cubicTo(m.map(points[i]), m.map(points[i + 1]), m.map(points[i + 2]));
            i += 2;
            last = points[i];
        }
        if (uchar(types[i]) & PT_CLOSEFIGURE)
            path.closeSubpath();
    }
    if (dc_.inPath)
        addToPath(path, true);
    else
        drawDevicePath(path, false, true);
    dc_.position = last;
}

void Player::rectangle(const QRectF& r) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPainterPath path;
    if (axisAligned(m))
        path.addRect(deviceRect(r, true));
    else
        path = m.map([&] {
            QPainterPath p;
            p.addRect(r.normalized());
            return p;
        }());
    drawDevicePath(path, true, true);
}

void Player::roundRect(const QRectF& r, QSizeF corner) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPainterPath path;
    if (axisAligned(m)) {
        const QRectF d = deviceRect(r, true);
        path.addRoundedRect(d, std::fabs(corner.width() * m.m11()) / 2,
                            std::fabs(corner.height() * m.m22()) / 2);
    } else {
        QPainterPath p;
        p.addRoundedRect(r.normalized(), std::fabs(corner.width()) / 2,
                         std::fabs(corner.height()) / 2);
        path = m.map(p);
    }
    drawDevicePath(path, true, true);
}

void Player::ellipse(const QRectF& r) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPainterPath path;
    if (axisAligned(m)) {
        path.addEllipse(deviceRect(r, true));
    } else {
        QPainterPath p;
        p.addEllipse(r.normalized());
        path = m.map(p);
    }
    drawDevicePath(path, true, true);
}

QPainterPath Player::arcPath(ArcKind kind, const QRectF& box, QPointF start, QPointF end,
                             QPointF* endPoint) {
    const QTransform& m = mapping();
    const bool aligned = axisAligned(m);
    const double det = m.m11() * m.m22() - m.m12() * m.m21();
    bool clockwise = dc_.arcDirection == AD_CLOCKWISE;
    QRectF r;
    QPointF s = start, e = end;
    if (aligned) {
        // Compatible mode turns on the device; advanced mode in logical space.
        r = deviceRect(box, true);
        s = m.map(start);
        e = m.map(end);
        if (dc_.graphicsMode == GM_ADVANCED && det < 0)
            clockwise = !clockwise;
    } else {
        r = box.normalized();
        if (dc_.graphicsMode == GM_COMPATIBLE && det < 0)
            clockwise = !clockwise;
    }
    QPainterPath path;
    if (r.width() <= 0 || r.height() <= 0)
        return path;
    const double a0 = ellipseAngle(r, s), a1 = ellipseAngle(r, e);
    const double sweep = clockwise ? -positiveSweep(a0 - a1) : positiveSweep(a1 - a0);
    switch (kind) {
        case ArcKind::Arc:
            path.arcMoveTo(r, a0);
            path.arcTo(r, a0, sweep);
            break;
        case ArcKind::ArcTo: {
            path.moveTo(aligned ? m.map(dc_.position) : dc_.position);
            QPainterPath probe;
            probe.arcMoveTo(r, a0);
            path.lineTo(probe.currentPosition());
            path.arcTo(r, a0, sweep);
            break;
        }
        case ArcKind::Chord:
            path.arcMoveTo(r, a0);
            path.arcTo(r, a0, sweep);
            path.closeSubpath();
            break;
        case ArcKind::Pie:
            path.moveTo(r.center());
            path.arcTo(r, a0, sweep);
            path.closeSubpath();
            break;
    }
    if (endPoint) {
        QPainterPath probe;
        probe.arcMoveTo(r, a0 + sweep);
        *endPoint = probe.currentPosition();
    }
    return aligned ? path : m.map(path);
}

void Player::arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    QPointF endPoint;
    const QPainterPath path = arcPath(kind, box, start, end, &endPoint);
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    if (kind == ArcKind::ArcTo) {
        if (path.isEmpty())
            return;
        if (dc_.inPath)
            addToPath(path, true);
        else
            drawDevicePath(path, false, true);
        const QPointF deviceEnd = axisAligned(m) ? endPoint : m.map(endPoint);
        dc_.position = m.inverted().map(deviceEnd);
        return;
    }
    if (!path.isEmpty())
        drawDevicePath(path, closed, true);
}

void Player::angleArc(QPointF center, double radius, double startDeg, double sweepDeg) {
    const QTransform& m = mapping();
    if (!mappingValid_ || !finite(startDeg) || !finite(sweepDeg) || !finite(radius))
        return;
    sweepDeg = std::clamp(sweepDeg, -360.0, 360.0);
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path(dc_.position);
    QPainterPath probe;
    probe.arcMoveTo(box, startDeg);
    path.lineTo(probe.currentPosition());
    path.arcTo(box, startDeg, sweepDeg);
    const QPointF end = path.currentPosition();
    const QPainterPath device = m.map(path);
    if (dc_.inPath)
        addToPath(device, true);
    else
        drawDevicePath(device, false, true);
    dc_.position = end;
}

void Player::setPixel(QPointF p, QColor c) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const QPointF d = m.map(p);
    const QRectF px(std::floor(d.x()), std::floor(d.y()), 1, 1);
    if (!prepare(px, 1))
        return;
    painter_->setWorldTransform(base_);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->fillRect(frame_.mapRect(px), c);
}

// ---- Regions -----------------------------------------------------------------------

namespace {

QPainterPath rectsPath(const QRegion& region) {
    QPainterPath path;
    for (const QRect& r : region)
        path.addRect(r);
    return path;
}

}  // namespace

// A logical region in pixels, ready to draw; false when nothing is to be
// drawn (a bounds-only player records the region's bounds here).
bool Player::prepareRegion(const QRegion& logical, QRegion& pixels) {
    const QTransform& m = mapping();
    if (!mappingValid_ || logical.isEmpty())
        return false;
    if (!painter_)
        return prepare(m.mapRect(QRectF(logical.boundingRect())), quint64(logical.rectCount()) * 4);
    pixels = pixelRegion(logical);
    if (pixels.isEmpty())
        return false;
    // Not empty, so the painter's transform was invertible (regionBox_).
    const QRectF device = (frame_ * base_).inverted().mapRect(QRectF(pixels.boundingRect()));
    return prepare(device, quint64(pixels.rectCount()) * 4);
}

void Player::fillRegion(const QRegion& logical, const Brush& brush) {
    QRegion pixels;
    if (ropSkips() || !prepareRegion(logical, pixels))
        return;
    fillTargetPath(base_.inverted().map(rectsPath(pixels)), brush);
}

void Player::frameRegion(const QRegion& logical, const Brush& brush, QSizeF stroke) {
    QRegion pixels;
    if (!prepareRegion(logical, pixels))
        return;
    const QTransform toPixels = mapping() * frame_ * base_;
    const auto size = [](double v) { return std::clamp(clampCoord(std::fabs(v)), 1, 4096); };
    const int w = size(stroke.width() * std::hypot(toPixels.m11(), toPixels.m12()));
    const int h = size(stroke.height() * std::hypot(toPixels.m21(), toPixels.m22()));
    if (!budget_.spend(quint64(pixels.rectCount()) * 64))
        return;
    // The frame is what erosion by the stroke size takes away.
    const QRegion inner = pixels & pixels.translated(w, 0) & pixels.translated(-w, 0) &
                          pixels.translated(0, h) & pixels.translated(0, -h);
    fillTargetPath(base_.inverted().map(rectsPath(pixels - inner)), brush);
}

void Player::invertRegion(const QRegion& logical) {
    QRegion pixels;
    if (!prepareRegion(logical, pixels))
        return;
    painter_->resetTransform();
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(Qt::black);
    if (rasterOps_)
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->drawPath(rectsPath(pixels));
}

}  // namespace lumora::mf

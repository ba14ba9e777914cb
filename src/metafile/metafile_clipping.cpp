// Clip regions: kept in device space, combined as GDI does, handed to the
// painter only when something is drawn.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QPainter>

namespace lumora::mf {
namespace {

QRect regionRect(const QRectF& r) {
    const QRectF n = r.normalized();
    const int l = clampCoord(n.left()), t = clampCoord(n.top());
    const int rr = clampCoord(n.right()), b = clampCoord(n.bottom());
    return QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
}

QRegion everything() {
    return QRegion(-kRegionLimit, -kRegionLimit, 2 * kRegionLimit, 2 * kRegionLimit);
}

// Sutherland-Hodgman against a rectangle: inside it, every point keeps
// its winding number, so either fill rule gives the same area there.
QPolygonF clipToBox(const QPolygonF& polygon, const QRectF& box) {
    QPolygonF out = polygon;
    for (int edge = 0; edge < 4 && !out.isEmpty(); ++edge) {
        auto value = [&](QPointF p) { return edge < 2 ? p.x() : p.y(); };
        const double bound = edge == 0   ? box.left()
                             : edge == 1 ? box.right()
                             : edge == 2 ? box.top()
                                         : box.bottom();
        auto inside = [&](QPointF p) {
            return edge % 2 == 0 ? value(p) >= bound : value(p) <= bound;
        };
        QPolygonF in;
        in.swap(out);
        for (qsizetype i = 0; i < in.size(); ++i) {
            const QPointF a = in[i], b = in[(i + 1) % in.size()];
            const bool ia = inside(a), ib = inside(b);
            if (ia)
                out.append(a);
            if (ia != ib) {
                const double t = (bound - value(a)) / (value(b) - value(a));
                out.append(a + t * (b - a));
            }
        }
    }
    return out;
}

}  // namespace

// ---- Clipping ----------------------------------------------------------------

QRegion Player::devicePolygonRegion(const QPolygonF& device, Qt::FillRule rule) {
    // Qt's polygon regions leak memory past about 100000 scanlines, and
    // nothing outside the frame's neighbourhood can matter: cut to a box.
    const QPolygonF cut = clipToBox(device, regionBox_);
    QPolygon p;
    p.reserve(cut.size());
    for (const QPointF& pt : cut)
        p.append(QPoint(clampCoord(pt.x()), clampCoord(pt.y())));
    return QRegion(p, rule);
}

QRegion Player::deviceRegion(const QRegion& logical) {
    const QTransform& m = mapping();
    QRegion out;
    if (!mappingValid_)
        return out;
    int n = 0;
    for (const QRect& r : logical) {
        if (!budget_.spend(Budget::kPointCost * 4) || ++n > 4096)
            break;
        const QRectF lr(r.x(), r.y(), r.width(), r.height());
        if (axisAligned(m))
            out += regionRect(m.mapRect(lr));
        else
            out += devicePolygonRegion(m.map(QPolygonF(lr)), Qt::WindingFill);
    }
    return out;
}

void Player::combineClip(const QRegion& region, int mode) {
    const QRegion current = dc_.clip ? *dc_.clip : everything();
    if (!budget_.spend(quint64(region.rectCount() + current.rectCount()) * 16))
        return;
    switch (mode) {
        case RGN_AND:
            dc_.clip = current & region;
            break;
        case RGN_OR:
            if (dc_.clip)
                dc_.clip = current | region;
            break;
        case RGN_XOR:
            dc_.clip = current ^ region;
            break;
        case RGN_DIFF:
            dc_.clip = current - region;
            break;
        case RGN_COPY:
            dc_.clip = region;
            break;
        default:
            return;
    }
    clipDirty_ = true;
}

void Player::intersectClipRect(const QRectF& r) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const QRectF n = r.normalized();
    combineClip(axisAligned(m) ? QRegion(regionRect(m.mapRect(n)))
                               : devicePolygonRegion(m.map(QPolygonF(n)), Qt::WindingFill),
                RGN_AND);
}

void Player::excludeClipRect(const QRectF& r) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const QRectF n = r.normalized();
    combineClip(axisAligned(m) ? QRegion(regionRect(m.mapRect(n)))
                               : devicePolygonRegion(m.map(QPolygonF(n)), Qt::WindingFill),
                RGN_DIFF);
}

void Player::offsetClip(QPointF delta) {
    if (!dc_.clip)
        return;
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const QPointF d(delta.x() * m.m11() + delta.y() * m.m21(),
                    delta.x() * m.m12() + delta.y() * m.m22());
    dc_.clip = dc_.clip->translated(clampCoord(d.x()), clampCoord(d.y()));
    clipDirty_ = true;
}

void Player::selectClipRegion(const std::optional<QRegion>& region, int mode) {
    if (!region) {
        if (mode == RGN_COPY) {
            dc_.clip.reset();
            clipDirty_ = true;
        }
        return;
    }
    combineClip(*region, mode);
}

void Player::selectLogicalClipRegion(const QRegion& logical) {
    combineClip(deviceRegion(logical), RGN_COPY);
}

void Player::setMetaRegion() {
    if (!dc_.clip)
        return;
    dc_.metaClip = dc_.metaClip ? (*dc_.metaClip & *dc_.clip) : *dc_.clip;
    dc_.clip.reset();
    clipDirty_ = true;
}

void Player::applyClip() {
    if (!painter_ || !clipDirty_)
        return;
    clipDirty_ = false;
    painter_->restore();
    painter_->save();
    std::optional<QRegion> clip = dc_.clip;
    if (dc_.metaClip)
        clip = clip ? (*clip & *dc_.metaClip) : *dc_.metaClip;
    if (clip) {
        painter_->setWorldTransform(frame_ * base_);
        painter_->setClipRegion(*clip, Qt::IntersectClip);
    }
}

}  // namespace lumora::mf

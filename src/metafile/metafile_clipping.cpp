// Clip regions: kept in the pixels of the painter's device and only within
// regionBox_, the part of the target that can show there plus a margin. A
// file's own idea of its size does not count: a header that claims a
// picture a million units tall gets regions no taller than what is drawn.
// Combined as GDI does, handed to the painter only when something is drawn.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

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

// Several closed polygons as one: each leaves from and returns to the
// first point, so the joins cancel out under either fill rule.
QPolygonF joined(const std::vector<QPolygonF>& polygons) {
    QPolygonF all;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 3)
            continue;
        if (all.isEmpty())
            all.append(polygon.first());
        const QPointF anchor = all.first();
        all += polygon;
        all.append(polygon.first());
        all.append(anchor);
    }
    return all;
}

struct Edge {
    double x0, y0, slope;  // x at y0, change of x per unit of y
    int firstRow, lastRow;
    int winding;
};

// The first pixel whose centre is at or past v, kept within [low, high].
int firstCentreFrom(double v, int low, int high) {
    return int(std::ceil(std::clamp(v - 0.5, double(low), double(high))));
}

}  // namespace

// ---- Scan conversion ---------------------------------------------------------------

// A polygon in pixels to a region, sampled at pixel centres as the painter
// fills. Qt's own polygon regions grow their rectangle list one row at a
// time, which takes seconds for a few thousand rows; this is linear in the
// rows. Each row costs budget by the edges it crosses.
QRegion Player::polygonRegion(const QPolygonF& pixels, Qt::FillRule rule) {
    if (regionBox_.isEmpty() || pixels.size() < 3)
        return {};
    const QPolygonF polygon = clipToBox(pixels, QRectF(regionBox_));
    std::vector<Edge> edges;
    edges.reserve(polygon.size());
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if (!finite(a.x()) || !finite(a.y()) || !finite(b.x()) || !finite(b.y()) || a.y() == b.y())
            continue;
        const QPointF top = a.y() < b.y() ? a : b, bottom = a.y() < b.y() ? b : a;
        // The rows whose centre lies in [top, bottom).
        const int first = firstCentreFrom(top.y(), regionBox_.top(), regionBox_.bottom() + 1);
        const int last = firstCentreFrom(bottom.y(), regionBox_.top(), regionBox_.bottom() + 1) - 1;
        if (first > last)
            continue;
        edges.push_back({top.x(), top.y(), (bottom.x() - top.x()) / (bottom.y() - top.y()), first,
                         last, a.y() < b.y() ? 1 : -1});
    }
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.firstRow < b.firstRow; });

    // Rows with the same spans as the row above widen its band.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> spans, bandSpans;  // [left, right) columns
    int bandTop = 0, bandRows = 0;
    auto flushBand = [&] {
        for (const auto& [left, right] : bandSpans)
            rects.emplace_back(left, bandTop, right - left, bandRows);
        bandSpans.clear();
        bandRows = 0;
    };
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> crossings;
    std::size_t next = 0;
    for (int row = regionBox_.top(); row <= regionBox_.bottom(); ++row) {
        std::erase_if(active, [row](const Edge* e) { return e->lastRow < row; });
        if (active.empty()) {
            if (next == edges.size())
                break;
            row = std::max(row, edges[next].firstRow);
        }
        for (; next < edges.size() && edges[next].firstRow <= row; ++next)
            active.push_back(&edges[next]);
        if (!budget_.spend(quint64(active.size()) * Budget::kPointCost + 1))
            break;
        const double y = row + 0.5;
        crossings.clear();
        for (const Edge* e : active)
            crossings.emplace_back(e->x0 + (y - e->y0) * e->slope, e->winding);
        std::sort(crossings.begin(), crossings.end());
        spans.clear();
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += rule == Qt::WindingFill ? crossings[i].second : 1;
            if (rule == Qt::WindingFill ? winding == 0 : winding % 2 == 0)
                continue;
            const int left =
                firstCentreFrom(crossings[i].first, regionBox_.left(), regionBox_.right() + 1);
            const int right =
                firstCentreFrom(crossings[i + 1].first, regionBox_.left(), regionBox_.right() + 1);
            if (right <= left)
                continue;
            if (!spans.empty() && spans.back().second >= left)
                spans.back().second = std::max(spans.back().second, right);
            else
                spans.emplace_back(left, right);
        }
        if (bandRows > 0 && spans == bandSpans && bandTop + bandRows == row) {
            ++bandRows;
            continue;
        }
        flushBand();
        if (!spans.empty()) {
            bandSpans = spans;
            bandTop = row;
            bandRows = 1;
        }
    }
    flushBand();
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

// Rectangles through a transform to pixels, as one region.
QRegion Player::pixelRegion(const QRegion& rects, const QTransform& toPixels) {
    std::vector<QPolygonF> polygons;
    for (const QRect& r : rects) {
        if (polygons.size() >= kMaxRegionRects || !budget_.spend(Budget::kPointCost * 4))
            break;
        polygons.push_back(toPixels.map(QPolygonF(QRectF(r.x(), r.y(), r.width(), r.height()))));
    }
    return polygonRegion(joined(polygons), Qt::WindingFill);
}

QRegion Player::pixelRegion(const QRegion& logical) {
    const QTransform& m = mapping();
    return mappingValid_ ? pixelRegion(logical, m * frame_ * base_) : QRegion();
}

// A device-space path's figures as one region, curves flattened in pixels;
// every flattened point costs.
QRegion Player::pathRegion(const QPainterPath& device, Qt::FillRule rule) {
    if (regionBox_.isEmpty())
        return {};
    const QTransform toPixels = frame_ * base_;
    std::vector<QPolygonF> figures(1);
    for (int i = 0; i < device.elementCount(); ++i) {
        const QPainterPath::Element e = device.elementAt(i);
        const QPointF p = toPixels.map(QPointF(e));
        if (e.isMoveTo() && !figures.back().isEmpty())
            figures.emplace_back();
        if (!e.isCurveTo() || figures.back().isEmpty() || i + 2 >= device.elementCount()) {
            figures.back().append(p);
            continue;
        }
        QPainterPath curve(figures.back().last());
        curve.cubicTo(p, toPixels.map(QPointF(device.elementAt(i + 1))),
                      toPixels.map(QPointF(device.elementAt(i + 2))));
        const QPolygonF flat = curve.toSubpathPolygons().value(0);
        if (!budget_.spend(quint64(flat.size()) * Budget::kPointCost))
            return {};
        figures.back() += flat.mid(1);
        i += 2;
    }
    return polygonRegion(joined(figures), rule);
}

// ---- Clipping ----------------------------------------------------------------

QRect Player::visibleBox() const {
    if (!painter_ || !painter_->device())
        return {};
    const QPaintDevice& device = *painter_->device();
    QRectF visible = base_.mapRect(target_) & QRectF(0, 0, device.width(), device.height());
    if (painter_->hasClipping())
        visible &= base_.mapRect(painter_->clipBoundingRect());
    if (visible.isEmpty() || !finite(visible))
        return {};
    // The margin lets a region moved by OffsetClipRgn bring in what lay
    // beside the visible part; a few pixels more keep its edges exact.
    const double w = visible.width(), h = visible.height();
    return visible.adjusted(-w - 2, -h - 2, w + 2, h + 2).toAlignedRect();
}

void Player::combineClip(const QRegion& region, int mode) {
    const QRegion everything(regionBox_);
    const QRegion current = dc_.clip ? *dc_.clip : everything;
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

void Player::clipRect(const QRectF& r, int mode) {
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    combineClip(polygonRegion((m * frame_ * base_).map(QPolygonF(r.normalized())), Qt::WindingFill),
                mode);
}

void Player::intersectClipRect(const QRectF& r) {
    clipRect(r, RGN_AND);
}

void Player::excludeClipRect(const QRectF& r) {
    clipRect(r, RGN_DIFF);
}

void Player::offsetClip(QPointF delta) {
    if (!dc_.clip)
        return;
    const QTransform& m = mapping();
    if (!mappingValid_)
        return;
    const QTransform toPixels = m * frame_ * base_;
    const QPointF d(delta.x() * toPixels.m11() + delta.y() * toPixels.m21(),
                    delta.x() * toPixels.m12() + delta.y() * toPixels.m22());
    // Cut back to the box so that repeated offsets cannot run the
    // coordinates past what an int holds.
    dc_.clip = dc_.clip->translated(clampCoord(d.x()), clampCoord(d.y())) & QRegion(regionBox_);
    clipDirty_ = true;
}

void Player::selectClipRegion(const std::optional<QRegion>& deviceRegion, int mode) {
    if (!deviceRegion) {
        if (mode == RGN_COPY) {
            dc_.clip.reset();
            clipDirty_ = true;
        }
        return;
    }
    combineClip(pixelRegion(*deviceRegion, frame_ * base_), mode);
}

void Player::selectLogicalClipRegion(const QRegion& logical) {
    combineClip(pixelRegion(logical), RGN_COPY);
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
        painter_->resetTransform();
        painter_->setClipRegion(*clip, Qt::IntersectClip);
    }
}

}  // namespace lumora::mf

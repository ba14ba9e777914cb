// The GDI device context that metafile records drive, drawn with QPainter.
//
// Spaces: records give logical coordinates; the world transform and the
// mapping mode take them to the metafile's device space (the placeable
// header's units, the window of a plain WMF, the reference device pixels of
// an EMF); the frame transform takes that onto the caller's target. Shapes
// are built in device space, where GDI's pixel rules (right and bottom
// edges excluded, arcs counter-clockwise on the device) are stated, and
// drawn in target space with the painter's own transform underneath.
//
// Here: set-up, and the brush, pen and fill helpers every drawing call ends in.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

constexpr double kCoordLimit = 1e9;  // target coordinates past this are not drawn

QImage hatchImage(int hatch, QColor line, QColor background) {
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    const QRgb c = line.rgba();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool on = false;
            switch (hatch) {
                case 0:
                    on = y == 7;
                    break;  // HS_HORIZONTAL
                case 1:
                    on = x == 7;
                    break;  // HS_VERTICAL
                case 2:
                    on = x == y;
                    break;  // HS_FDIAGONAL  '\'
                case 3:
                    on = x + y == 7;
                    break;  // HS_BDIAGONAL  '/'
                case 4:
                    on = x == 7 || y == 7;
                    break;  // HS_CROSS
                default:
                    on = x == y || x + y == 7;
                    break;  // HS_DIAGCROSS
            }
            if (on)
                image.setPixel(x, y, c);
        }
    }
    return image;
}

}  // namespace

QPainter::CompositionMode compositionFor(int table) {
    switch (table & 0xF) {
        case 0x0:
            return QPainter::RasterOp_ClearDestination;
        case 0x1:
            return QPainter::RasterOp_NotSourceAndNotDestination;
        case 0x2:
            return QPainter::RasterOp_NotSourceAndDestination;
        case 0x3:
            return QPainter::RasterOp_NotSource;
        case 0x4:
            return QPainter::RasterOp_SourceAndNotDestination;
        case 0x5:
            return QPainter::RasterOp_NotDestination;
        case 0x6:
            return QPainter::RasterOp_SourceXorDestination;
        case 0x7:
            return QPainter::RasterOp_NotSourceOrNotDestination;
        case 0x8:
            return QPainter::RasterOp_SourceAndDestination;
        case 0x9:
            return QPainter::RasterOp_NotSourceXorDestination;
        case 0xA:
            return QPainter::CompositionMode_Destination;
        case 0xB:
            return QPainter::RasterOp_NotSourceOrDestination;
        case 0xD:
            return QPainter::RasterOp_SourceOrNotDestination;
        case 0xE:
            return QPainter::RasterOp_SourceOrDestination;
        case 0xF:
            return QPainter::RasterOp_SetDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

Player::Player(QPainter* painter, const QRectF& target, const MetafileData& data, Budget& budget)
    : painter_(painter), target_(target), budget_(budget), unitsPerMm_(data.unitsPerMm) {
    const QRectF f = data.frame;
    const double sx = f.width() > 0 ? target.width() / f.width() : 1;
    const double sy = f.height() > 0 ? target.height() / f.height() : 1;
    frame_ = QTransform(sx, 0, 0, sy, target.x() - f.x() * sx, target.y() - f.y() * sy);
    frameScale_ = std::sqrt(std::fabs(sx * sy));
    if (!finite(frame_) || frameScale_ <= 0) {
        frame_ = QTransform();
        frameScale_ = 1;
    }
    if (unitsPerMm_.width() <= 0 || unitsPerMm_.height() <= 0)
        unitsPerMm_ = QSizeF(96 / 25.4, 96 / 25.4);
    if (data.format == Metafile::Format::Wmf || data.format == Metafile::Format::PlaceableWmf) {
        // A WMF is played the way programs place one: anisotropic, with the
        // frame as both window and viewport until its own records say more.
        dc_.mapMode = MM_ANISOTROPIC;
        dc_.windowOrg = dc_.viewportOrg = f.topLeft();
        const QSizeF ext(f.width() > 0 ? f.width() : 1, f.height() > 0 ? f.height() : 1);
        dc_.windowExt = dc_.viewportExt = ext;
    }
    if (painter_) {
        base_ = painter_->worldTransform();
        regionBox_ = visibleBox();
        painter_->save();
        painter_->setClipRect(target, Qt::IntersectClip);
        painter_->setRenderHint(QPainter::Antialiasing);
        painter_->setRenderHint(QPainter::SmoothPixmapTransform);
        painter_->setRenderHint(QPainter::TextAntialiasing);
        painter_->save();
        rasterOps_ = painter_->paintEngine() &&
                     painter_->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    }
}

Player::~Player() {
    if (painter_) {
        painter_->restore();
        painter_->restore();
    }
}

// ---- Drawing helpers -------------------------------------------------------------

QColor Player::ropColor(QColor c) const {
    if (dc_.rop2 == R2_BLACK)
        return Qt::black;
    if (dc_.rop2 == R2_WHITE)
        return Qt::white;
    return c;
}

void Player::setComposition(int rop2) {
    int table = rop2 >= 1 && rop2 <= 16 ? rop2 - 1 : kCopyTable;
    if (!rasterOps_)
        table = kCopyTable;
    painter_->setCompositionMode(compositionFor(table));
    // Bitwise operations on partly covered edge pixels would smear them.
    painter_->setRenderHint(QPainter::Antialiasing, table == kCopyTable);
}

bool Player::prepare(const QRectF& deviceBounds, quint64 points) {
    if (!budget_.spend(points * Budget::kPointCost + 16))
        return false;
    if (!finite(deviceBounds))
        return false;
    if (!painter_) {
        if (haveBounds_) {
            bounds_.setLeft(std::min(bounds_.left(), deviceBounds.left()));
            bounds_.setTop(std::min(bounds_.top(), deviceBounds.top()));
            bounds_.setRight(std::max(bounds_.right(), deviceBounds.right()));
            bounds_.setBottom(std::max(bounds_.bottom(), deviceBounds.bottom()));
        } else {
            bounds_ = deviceBounds.normalized();
            haveBounds_ = true;
        }
        return false;
    }
    const QRectF t = frame_.mapRect(deviceBounds);
    if (std::fabs(t.left()) > kCoordLimit || std::fabs(t.right()) > kCoordLimit ||
        std::fabs(t.top()) > kCoordLimit || std::fabs(t.bottom()) > kCoordLimit)
        return false;
    const QRectF visible = t.intersected(target_);
    if (!budget_.spend(quint64(visible.width() * visible.height())))
        return false;
    applyClip();
    return true;
}

QBrush Player::qbrush(const Brush& brush) const {
    QBrush b;
    switch (brush.style) {
        case BS_SOLID:
            return QBrush(ropColor(brush.color));
        case BS_HATCHED:
            b = QBrush(hatchImage(brush.hatch, ropColor(brush.color),
                                  dc_.bkMode == OPAQUE ? dc_.bkColor : QColor(Qt::transparent)));
            break;
        case BS_PATTERN:
        case BS_DIBPATTERN:
        case BS_DIBPATTERNPT: {
            if (brush.pattern.isNull())
                return QBrush(ropColor(brush.color));
            QImage pattern = brush.pattern;
            if (brush.mono) {
                // Monochrome patterns take the colours of the moment they are used.
                pattern = pattern.convertToFormat(QImage::Format_RGB32);
                const QRgb fg = dc_.textColor.rgb(), bg = dc_.bkColor.rgb();
                for (int y = 0; y < pattern.height(); ++y) {
                    auto* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
                    for (int x = 0; x < pattern.width(); ++x)
                        line[x] = qGray(line[x]) < 128 ? fg : bg;
                }
            }
            b = QBrush(pattern);
            break;
        }
        default:
            return QBrush(Qt::NoBrush);
    }
    // Pattern pixels are device pixels of the metafile, anchored at the brush origin.
    b.setTransform(QTransform::fromTranslate(dc_.brushOrg.x(), dc_.brushOrg.y()) * frame_);
    return b;
}

void Player::fillDevicePath(const QPainterPath& device, const Brush& brush) {
    QPainterPath t = frame_.map(device);
    t.setFillRule(device.fillRule());
    fillTargetPath(t, brush);
}

void Player::fillTargetPath(const QPainterPath& t, const Brush& brush) {
    if (brush.style == BS_NULL || !painter_)
        return;
    painter_->setWorldTransform(base_);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(qbrush(brush));
    setComposition(dc_.rop2);
    painter_->drawPath(t);
}

void Player::strokeDevicePath(const QPainterPath& device) {
    const Pen& pen = dc_.pen;
    const quint32 style = pen.style & PS_STYLE_MASK;
    if (style == PS_NULL || !painter_)
        return;
    // Width in device pixels: at least one, as GDI draws it.
    const double deviceWidth = std::max(1.0, pen.width * xScale());
    const double maxWidth = 2 * std::hypot(target_.width(), target_.height()) + 64;
    const double width = std::min(deviceWidth * frameScale_, maxWidth);
    const bool cosmetic = width <= 1.0;

    QPen q(ropColor(pen.color));
    q.setWidthF(cosmetic ? 0 : width);
    switch (pen.style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE:
            q.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            q.setCapStyle(Qt::FlatCap);
            break;
        default:
            q.setCapStyle(Qt::RoundCap);
            break;
    }
    switch (pen.style & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL:
            q.setJoinStyle(Qt::BevelJoin);
            break;
        case PS_JOIN_MITER:
            q.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            q.setJoinStyle(Qt::RoundJoin);
            break;
    }
    q.setMiterLimit(std::max(0.5, dc_.miterLimit / 2));
    // Dash lengths: device pixels for thin pens, pen widths for wide ones.
    QList<qreal> dashes;
    switch (style) {
        case PS_DASH:
            dashes = cosmetic ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
            break;
        case PS_DOT:
            dashes = cosmetic ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
            break;
        case PS_DASHDOT:
            dashes = cosmetic ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
            break;
        case PS_DASHDOTDOT:
            dashes = cosmetic ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
            break;
        case PS_ALTERNATE:
            dashes = {1, 1};
            break;
        case PS_USERSTYLE: {
            const double unit = xScale() * frameScale_ / (cosmetic ? 1.0 : width);
            for (qreal d : pen.userDashes)
                dashes.append(std::clamp(double(d) * unit, 0.01, 1e6));
            if (dashes.size() % 2)
                dashes.append(dashes.back());
            break;
        }
        default:
            break;
    }
    for (qreal d : dashes) {
        if (!(d > 0)) {
            dashes.clear();
            break;
        }
    }
    const QPainterPath t = (QTransform::fromTranslate(0.5, 0.5) * frame_).map(device);
    painter_->setWorldTransform(base_);
    painter_->setBrush(Qt::NoBrush);
    setComposition(dc_.rop2);
    if (!dashes.isEmpty()) {
        if (dc_.bkMode == OPAQUE) {
            // Gaps of styled lines show the background colour.
            QPen gaps = q;
            gaps.setColor(dc_.bkColor);
            painter_->setPen(gaps);
            painter_->drawPath(t);
        }
        q.setDashPattern(dashes);
    }
    painter_->setPen(q);
    painter_->drawPath(t);
}

void Player::drawDevicePath(const QPainterPath& device, bool fill, bool stroke) {
    if (dc_.inPath) {
        addToPath(device, false);
        return;
    }
    if (ropSkips())
        return;
    if (!prepare(device.controlPointRect(), quint64(device.elementCount())))
        return;
    if (fill)
        fillDevicePath(device, dc_.brush);
    if (stroke)
        strokeDevicePath(device);
}

void Player::addToPath(const QPainterPath& device, bool connect) {
    if (!budget_.spend(quint64(device.elementCount()) * Budget::kPointCost))
        return;
    if (connect && !dc_.path.isEmpty() && device.elementCount() > 0 &&
        dc_.path.currentPosition() == QPointF(device.elementAt(0)))
        dc_.path.connectPath(device);
    else
        dc_.path.addPath(device);
}

QRectF Player::deviceRect(const QRectF& logical, bool shrink) {
    const QTransform& m = mapping();
    QRectF r = m.mapRect(logical.normalized());
    if (shrink && dc_.graphicsMode == GM_COMPATIBLE) {
        // GDI leaves out the right and bottom edge of rectangle figures.
        if (r.width() > 1)
            r.setRight(r.right() - 1);
        if (r.height() > 1)
            r.setBottom(r.bottom() - 1);
    }
    if ((dc_.pen.style & PS_STYLE_MASK) == PS_INSIDEFRAME) {
        const double half = std::max(1.0, dc_.pen.width * xScale()) / 2 - 0.5;
        if (half > 0 && r.width() > 2 * half && r.height() > 2 * half)
            r.adjust(half, half, -half, -half);
    }
    return r;
}
}  // namespace lumora::mf

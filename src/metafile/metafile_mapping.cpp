// Mapping modes, window and viewport, and the world transform: how logical
// coordinates reach the metafile's device space.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

QTransform pageTransform(const DcState& dc, QSizeF unitsPerMm) {
    double sx = 1, sy = 1;
    auto metric = [&](double mmPerUnit) {
        sx = unitsPerMm.width() * mmPerUnit;
        sy = -unitsPerMm.height() * mmPerUnit;
    };
    switch (dc.mapMode) {
        case MM_LOMETRIC:
            metric(0.1);
            break;
        case MM_HIMETRIC:
            metric(0.01);
            break;
        case MM_LOENGLISH:
            metric(0.254);
            break;
        case MM_HIENGLISH:
            metric(0.0254);
            break;
        case MM_TWIPS:
            metric(25.4 / 1440);
            break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            sx = dc.viewportExt.width() / dc.windowExt.width();
            sy = dc.viewportExt.height() / dc.windowExt.height();
            if (dc.mapMode == MM_ISOTROPIC) {
                // Equal units on both axes: the larger viewport extent shrinks.
                const double s = std::min(std::fabs(sx), std::fabs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
            }
            break;
        default:
            break;
    }
    return QTransform(sx, 0, 0, sy, dc.viewportOrg.x() - dc.windowOrg.x() * sx,
                      dc.viewportOrg.y() - dc.windowOrg.y() * sy);
}

}  // namespace

// ---- Mapping ---------------------------------------------------------------

QTransform Player::logicalToDevice() const {
    return dc_.world * pageTransform(dc_, unitsPerMm_);
}

const QTransform& Player::mapping() {
    if (mappingDirty_) {
        mapping_ = logicalToDevice();
        mappingValid_ = finite(mapping_) && mapping_.isInvertible();
        mappingDirty_ = false;
    }
    return mapping_;
}

double Player::xScale() {
    const QTransform& m = mapping();
    return std::hypot(m.m11(), m.m12());
}

void Player::setMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return;
    dc_.mapMode = mode;
    mappingChanged();
}

void Player::setWindowOrg(QPointF org) {
    dc_.windowOrg = org;
    mappingChanged();
}

void Player::setViewportOrg(QPointF org) {
    dc_.viewportOrg = org;
    mappingChanged();
}

void Player::offsetWindowOrg(QPointF delta) {
    setWindowOrg(dc_.windowOrg + delta);
}
void Player::offsetViewportOrg(QPointF delta) {
    setViewportOrg(dc_.viewportOrg + delta);
}

// Extents only count in the two scalable modes, and GDI refuses a zero one
// (it would divide by it).
void Player::setWindowExt(QSizeF ext) {
    if (dc_.mapMode != MM_ISOTROPIC && dc_.mapMode != MM_ANISOTROPIC)
        return;
    if (ext.width() == 0 || ext.height() == 0 || !finite(ext.width()) || !finite(ext.height()))
        return;
    dc_.windowExt = ext;
    mappingChanged();
}

void Player::setViewportExt(QSizeF ext) {
    if (dc_.mapMode != MM_ISOTROPIC && dc_.mapMode != MM_ANISOTROPIC)
        return;
    if (ext.width() == 0 || ext.height() == 0 || !finite(ext.width()) || !finite(ext.height()))
        return;
    dc_.viewportExt = ext;
    mappingChanged();
}

void Player::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt(
        QSizeF(dc_.windowExt.width() * xNum / xDenom, dc_.windowExt.height() * yNum / yDenom));
}

void Player::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0)
        return;
    setViewportExt(
        QSizeF(dc_.viewportExt.width() * xNum / xDenom, dc_.viewportExt.height() * yNum / yDenom));
}

void Player::setWorldTransform(const QTransform& t) {
    if (!finite(t) || !t.isInvertible())
        return;
    dc_.world = t;
    mappingChanged();
}

void Player::modifyWorldTransform(const QTransform& t, int mode) {
    switch (mode) {
        case 1:
            dc_.world = QTransform();
            break;
        case 2:
            if (finite(t) && finite(t * dc_.world) && (t * dc_.world).isInvertible())
                dc_.world = t * dc_.world;
            break;
        case 3:
            if (finite(t) && finite(dc_.world * t) && (dc_.world * t).isInvertible())
                dc_.world = dc_.world * t;
            break;
        case 4:
            setWorldTransform(t);
            return;
        default:
            return;
    }
    mappingChanged();
}

}  // namespace lumora::mf

#pragma once

// Small helpers the Player's source files share.

#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <cmath>

namespace lumora::mf {

constexpr int kRegionLimit = 1 << 26;

inline bool finite(double v) {
    return std::isfinite(v);
}

inline bool finite(const QTransform& t) {
    return finite(t.m11()) && finite(t.m12()) && finite(t.m13()) && finite(t.m21()) &&
           finite(t.m22()) && finite(t.m23()) && finite(t.m31()) && finite(t.m32()) &&
           finite(t.m33());
}

inline bool finite(const QRectF& r) {
    return finite(r.x()) && finite(r.y()) && finite(r.width()) && finite(r.height());
}

inline bool axisAligned(const QTransform& t) {
    return t.m12() == 0 && t.m21() == 0 && t.type() <= QTransform::TxScale;
}

inline int clampCoord(double v) {
    if (!(v > -kRegionLimit))
        return -kRegionLimit;
    if (v > kRegionLimit)
        return kRegionLimit;
    return int(std::lround(v));
}

// Composition mode for a two-variable raster function given as a truth
// table indexed by (source << 1) | destination.
QPainter::CompositionMode compositionFor(int table);

constexpr int kCopyTable = 0xC;
constexpr int kNopTable = 0xA;

}  // namespace lumora::mf

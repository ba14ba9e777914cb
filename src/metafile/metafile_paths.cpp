// Paths: recorded in device space between BeginPath and EndPath, then
// filled, stroked, widened or made the clip.

#include "metafile/metafile_gdi.h"
#include "metafile/metafile_player_util.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace lumora::mf {
// ---- Paths -------------------------------------------------------------------------

void Player::beginPath() {
    dc_.path = QPainterPath();
    dc_.inPath = true;
}

void Player::endPath() {
    dc_.inPath = false;
}

void Player::abortPath() {
    dc_.path = QPainterPath();
    dc_.inPath = false;
}

void Player::closeFigure() {
    if (dc_.inPath)
        dc_.path.closeSubpath();
}

void Player::fillPath() {
    if (dc_.inPath)
        return;
    QPainterPath path = dc_.path;
    path.setFillRule(dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    dc_.path = QPainterPath();
    drawDevicePath(path, true, false);
}

void Player::strokePath() {
    if (dc_.inPath)
        return;
    const QPainterPath path = dc_.path;
    dc_.path = QPainterPath();
    drawDevicePath(path, false, true);
}

void Player::strokeAndFillPath() {
    if (dc_.inPath)
        return;
    QPainterPath path = dc_.path;
    path.setFillRule(dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    dc_.path = QPainterPath();
    drawDevicePath(path, true, true);
}

void Player::selectClipPath(int mode) {
    if (dc_.inPath)
        return;
    const QPainterPath path = dc_.path;
    dc_.path = QPainterPath();
    if (!budget_.spend(quint64(path.elementCount()) * Budget::kPointCost * 4))
        return;
    combineClip(pathRegion(path, dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill),
                mode);
}

void Player::widenPath() {
    if (dc_.inPath || dc_.path.isEmpty())
        return;
    if (!budget_.spend(quint64(dc_.path.elementCount()) * Budget::kPointCost * 8))
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(std::min(std::max(1.0, dc_.pen.width * xScale()), 1e6));
    dc_.path = stroker.createStroke(dc_.path);
}

}  // namespace lumora::mf

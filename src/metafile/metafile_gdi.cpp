// The GDI device context that metafile records drive, drawn with QPainter.
//
// Spaces: records give logical coordinates; the world transform and the
// mapping mode take them to the metafile's device space (the placeable
// header's units, the window of a plain WMF, the reference device pixels of
// an EMF); the frame transform takes that onto the caller's target. Shapes
// are built in device space, where GDI's pixel rules (right and bottom
// edges excluded, arcs counter-clockwise on the device) are stated, and
// drawn in target space with the painter's own transform underneath.

#include "metafile/metafile_gdi.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRawFont>

#include <algorithm>
#include <cmath>

namespace lumora::mf {
namespace {

constexpr std::size_t kMaxSavedDcs = 1024;
constexpr quint32 kMaxObjects = 65536;
constexpr double kCoordLimit = 1e9;  // target coordinates past this are not drawn
constexpr int kRegionLimit = 1 << 26;
constexpr double kMaxFontPixels = 20000;
// Qt caches drawn glyphs as bitmaps; past this size text is drawn as
// outlines, so a huge font cannot fill memory with glyph images.
constexpr int kMaxBitmapTextPixels = 256;

bool finite(double v) {
    return std::isfinite(v);
}

bool finite(const QTransform& t) {
    return finite(t.m11()) && finite(t.m12()) && finite(t.m13()) && finite(t.m21()) &&
           finite(t.m22()) && finite(t.m23()) && finite(t.m31()) && finite(t.m32()) &&
           finite(t.m33());
}

bool finite(const QRectF& r) {
    return finite(r.x()) && finite(r.y()) && finite(r.width()) && finite(r.height());
}

bool axisAligned(const QTransform& t) {
    return t.m12() == 0 && t.m21() == 0 && t.type() <= QTransform::TxScale;
}

int clampCoord(double v) {
    if (!(v > -kRegionLimit))
        return -kRegionLimit;
    if (v > kRegionLimit)
        return kRegionLimit;
    return int(std::lround(v));
}

QRect regionRect(const QRectF& r) {
    const QRectF n = r.normalized();
    const int l = clampCoord(n.left()), t = clampCoord(n.top());
    const int rr = clampCoord(n.right()), b = clampCoord(n.bottom());
    return QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
}

QRegion everything() {
    return QRegion(-kRegionLimit, -kRegionLimit, 2 * kRegionLimit, 2 * kRegionLimit);
}

// Composition mode for a two-variable raster function given as a truth
// table indexed by (source << 1) | destination.
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

constexpr int kCopyTable = 0xC;
constexpr int kNopTable = 0xA;

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

const QList<QRgb>& defaultPalette() {
    static const QList<QRgb> colors = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192),
        qRgb(192, 220, 192), qRgb(166, 202, 240), qRgb(255, 251, 240), qRgb(160, 160, 164),
        qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255)};
    return colors;
}

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

QFont makeFont(const Font& f) {
    QFont font;
    if (!f.face.isEmpty())
        font.setFamilies({f.face});
    switch (f.pitchAndFamily & 0xF0) {
        case 0x10:
            font.setStyleHint(QFont::Serif);
            break;
        case 0x20:
            font.setStyleHint(QFont::SansSerif);
            break;
        case 0x30:
            font.setStyleHint(QFont::TypeWriter);
            break;
        case 0x40:
            font.setStyleHint(QFont::Cursive);
            break;
        case 0x50:
            font.setStyleHint(QFont::Decorative);
            break;
        default:
            break;
    }
    if ((f.pitchAndFamily & 3) == 1)
        font.setFixedPitch(true);
    const int weight = f.weight <= 0 ? 400 : std::clamp(f.weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setKerning(false);  // GDI places characters by their advances alone
    return font;
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

bool haveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

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
    {
        const double reach = std::min(1.5 * std::max(f.width(), f.height()) + 64, 30000.0);
        const QPointF c = f.center();
        regionBox_ = QRectF(c.x() - reach, c.y() - reach, 2 * reach, 2 * reach);
        if (!finite(regionBox_))
            regionBox_ = QRectF(-30000, -30000, 60000, 60000);
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

QColor Player::color(quint32 ref) const {
    if ((ref >> 24) == 1) {  // PALETTEINDEX
        const QList<QRgb> colors = paletteColors();
        const quint32 index = ref & 0xFFFF;
        return index < quint32(colors.size()) ? QColor(colors[index]) : QColor(Qt::black);
    }
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

QList<QRgb> Player::paletteColors() const {
    if (dc_.palette >= 0) {
        auto it = objects_.find(quint32(dc_.palette));
        if (it != objects_.end())
            if (const auto* p = std::get_if<Palette>(&it->second))
                return p->colors;
    }
    return defaultPalette();
}

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

// ---- Saved states and objects ------------------------------------------------

void Player::saveDc() {
    if (saved_.size() >= kMaxSavedDcs)
        return;
    saved_.push_back(dc_);
}

void Player::restoreDc(int which) {
    std::size_t keep;
    if (which < 0) {
        const std::size_t back = std::size_t(-qint64(which));
        if (back > saved_.size())
            return;
        keep = saved_.size() - back;
    } else if (which > 0) {
        if (std::size_t(which) > saved_.size())
            return;
        keep = std::size_t(which) - 1;
    } else {
        return;
    }
    dc_ = saved_[keep];
    saved_.resize(keep);
    mappingChanged();
    clipDirty_ = true;
}

void Player::createObject(Object object) {
    quint32 index;
    if (!freeSlots_.empty()) {
        index = *freeSlots_.begin();
        freeSlots_.erase(freeSlots_.begin());
    } else if (nextSlot_ < kMaxObjects) {
        index = nextSlot_++;
    } else {
        return;
    }
    objects_[index] = std::move(object);
}

void Player::createObjectAt(quint32 index, Object object) {
    if (index == 0 || index >= kMaxObjects)
        return;  // 0 is the metafile itself
    objects_[index] = std::move(object);
}

void Player::deleteObject(quint32 index) {
    if (objects_.erase(index) && index < nextSlot_)
        freeSlots_.insert(index);
}

const Object* Player::object(quint32 index) const {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : &it->second;
}

Palette* Player::palette(quint32 index) {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : std::get_if<Palette>(&it->second);
}

void Player::selectPalette(quint32 index) {
    if (index == 0x8000000F) {  // DEFAULT_PALETTE
        dc_.palette = -1;
        return;
    }
    if (palette(index))
        dc_.palette = int(index);
}

void Player::selectObject(quint32 index) {
    if (index & 0x80000000) {
        selectStockObject(index & 0x7FFFFFFF);
        return;
    }
    const Object* o = object(index);
    if (!o)
        return;
    if (const auto* pen = std::get_if<Pen>(o))
        dc_.pen = *pen;
    else if (const auto* brush = std::get_if<Brush>(o)) {
        // A pattern brush whose bitmap could not be read is one GDI would
        // have failed to create: selecting it changes nothing.
        const bool pattern = brush->style == BS_PATTERN || brush->style == BS_DIBPATTERN ||
                             brush->style == BS_DIBPATTERNPT;
        if (!pattern || !brush->pattern.isNull())
            dc_.brush = *brush;
    } else if (const auto* font = std::get_if<Font>(o))
        dc_.font = *font;
    else if (const auto* region = std::get_if<Region>(o))
        selectLogicalClipRegion(region->region);
    else if (std::get_if<Palette>(o))
        dc_.palette = int(index);
}

void Player::selectStockObject(quint32 index) {
    auto solid = [](QColor c) {
        Brush b;
        b.color = c;
        return b;
    };
    auto pen = [](QColor c, quint32 style = PS_SOLID) {
        Pen p;
        p.color = c;
        p.style = style;
        return p;
    };
    switch (index) {
        case 0:
            dc_.brush = solid(Qt::white);
            break;
        case 1:
            dc_.brush = solid(QColor(192, 192, 192));
            break;
        case 2:
            dc_.brush = solid(QColor(128, 128, 128));
            break;
        case 3:
            dc_.brush = solid(QColor(64, 64, 64));
            break;
        case 4:
            dc_.brush = solid(Qt::black);
            break;
        case 5:
            dc_.brush.style = BS_NULL;
            break;
        case 6:
            dc_.pen = pen(Qt::white);
            break;
        case 7:
            dc_.pen = pen(Qt::black);
            break;
        case 8:
            dc_.pen = pen(Qt::black, PS_NULL);
            break;
        case 10:
        case 11:
        case 16: {
            Font f;
            f.pitchAndFamily = 0x31;  // fixed pitch, modern
            dc_.font = f;
            break;
        }
        case 12:
        case 13:
        case 14:
        case 17:
            dc_.font = Font();
            break;
        case 15:
            dc_.palette = -1;
            break;
        case 18:
            dc_.brush = solid(Qt::white);
            break;
        case 19:
            dc_.pen = pen(Qt::black);
            break;
        default:
            break;
    }
}

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
    if (brush.style == BS_NULL || !painter_)
        return;
    QPainterPath t = frame_.map(device);
    t.setFillRule(device.fillRule());
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

void Player::fillRegion(const QRegion& logical, const Brush& brush) {
    const QRegion device = deviceRegion(logical);
    if (device.isEmpty() || ropSkips())
        return;
    QPainterPath path;
    for (const QRect& r : device)
        path.addRect(r);
    if (!prepare(device.boundingRect(), quint64(device.rectCount()) * 4))
        return;
    fillDevicePath(path, brush);
}

void Player::frameRegion(const QRegion& logical, const Brush& brush, QSizeF stroke) {
    const QTransform& m = mapping();
    const QRegion device = deviceRegion(logical);
    if (device.isEmpty())
        return;
    const int w = std::clamp(clampCoord(std::fabs(stroke.width() * m.m11())), 1, 4096);
    const int h = std::clamp(clampCoord(std::fabs(stroke.height() * m.m22())), 1, 4096);
    if (!budget_.spend(quint64(device.rectCount()) * 64))
        return;
    // The frame is what erosion by the stroke size takes away.
    const QRegion inner = device & device.translated(w, 0) & device.translated(-w, 0) &
                          device.translated(0, h) & device.translated(0, -h);
    QPainterPath path;
    for (const QRect& r : device - inner)
        path.addRect(r);
    if (!prepare(device.boundingRect(), quint64(device.rectCount()) * 4))
        return;
    fillDevicePath(path, brush);
}

void Player::invertRegion(const QRegion& logical) {
    const QRegion device = deviceRegion(logical);
    if (device.isEmpty() || !prepare(device.boundingRect(), quint64(device.rectCount()) * 4))
        return;
    QPainterPath path;
    for (const QRect& r : device)
        path.addRect(r);
    painter_->setWorldTransform(base_);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(Qt::black);
    if (rasterOps_)
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->drawPath(frame_.map(path));
}

// ---- Text --------------------------------------------------------------------------

void Player::textOut(QPointF reference, const QString& text, const std::vector<double>& dx,
                     quint32 options, const std::optional<QRectF>& rect) {
    const QTransform& m = mapping();
    if (!mappingValid_ || !budget_.spend(quint64(text.size()) * 64 + 64))
        return;
    const bool updateCp = dc_.textAlign & TA_UPDATECP;
    const QPointF ref = updateCp ? dc_.position : reference;
    // Layout happens where it is drawn: target pixels when painting, device
    // space when collecting a path or bounds.
    const bool toTarget = painter_ && !dc_.inPath;
    const QTransform c = toTarget ? m * frame_ : m;

    if (rect && (options & ETO_OPAQUE) && !dc_.inPath) {
        const QRectF box = rect->normalized();
        QPainterPath p;
        p.addPolygon(m.map(QPolygonF(box)));
        p.closeSubpath();
        if (prepare(p.controlPointRect(), 4)) {
            Brush bk;
            bk.color = dc_.bkColor;
            const int rop = dc_.rop2;
            dc_.rop2 = R2_COPYPEN;
            fillDevicePath(p, bk);
            dc_.rop2 = rop;
        }
    }
    if (text.isEmpty() || !haveGuiApplication())
        return;

    const Font& f = dc_.font;
    const double sx = std::hypot(c.m11(), c.m12()), sy = std::hypot(c.m21(), c.m22());
    QFont font = makeFont(f);
    double em;
    if (f.height < 0) {
        em = -double(f.height) * sy;
    } else {
        // A positive height is the cell (ascent + descent), not the em.
        font.setPixelSize(100);
        const QFontMetricsF probe(font);
        const double cell = probe.ascent() + probe.descent();
        const double wanted = f.height > 0 ? f.height * sy : 16 * (toTarget ? frameScale_ : 1.0);
        em = cell > 0 ? wanted * 100 / cell : wanted;
    }
    if (!(em >= 0.5) || !finite(em))
        return;
    font.setPixelSize(int(std::lround(std::min(em, kMaxFontPixels))));
    if (f.width != 0) {
        const QFontMetricsF natural(font);
        const double avg = natural.averageCharWidth();
        if (avg > 0)
            font.setStretch(
                std::clamp(int(std::lround(100 * std::fabs(f.width) * sx / avg)), 10, 1000));
    }
    const QFontMetricsF fm(font);
    const double ascent = fm.ascent(), descent = fm.descent();
    const bool glyphs = options & ETO_GLYPH_INDEX;
    const bool pdy = options & ETO_PDY;
    const double extra = dc_.charExtra * sx;

    // Per character offsets along the baseline when the record gives them.
    std::vector<QPointF> offsets;
    double width = 0;
    const qsizetype n = text.size();
    const std::size_t step = pdy ? 2 : 1;
    const bool perChar = !dx.empty() || extra != 0 || glyphs;
    QRawFont raw;
    QList<quint32> glyphIndexes;
    if (glyphs) {
        raw = QRawFont::fromFont(font);
        for (QChar ch : text)
            glyphIndexes.append(ch.unicode());
    }
    if (perChar) {
        offsets.reserve(n);
        QList<QPointF> advances;
        if (glyphs && dx.empty() && raw.isValid())
            advances = raw.advancesForGlyphIndexes(glyphIndexes);
        double x = 0, y = 0;
        for (qsizetype i = 0; i < n; ++i) {
            offsets.emplace_back(x, y);
            double adv;
            if (std::size_t(i) * step < dx.size()) {
                adv = dx[std::size_t(i) * step] * sx;
                if (pdy && std::size_t(i) * 2 + 1 < dx.size())
                    y -= dx[std::size_t(i) * 2 + 1] * sy;
            } else if (glyphs) {
                adv = i < advances.size() ? advances[i].x() : 0;
            } else {
                adv = fm.horizontalAdvance(text.at(i)) + extra;
            }
            if (!finite(adv))
                adv = 0;
            x += adv;
        }
        width = x;
    } else {
        width = fm.horizontalAdvance(text);
    }

    double x0 = 0;
    switch (dc_.textAlign & TA_HORZ_MASK) {
        case TA_CENTER:
            x0 = -width / 2;
            break;
        case TA_RIGHT:
            x0 = -width;
            break;
        default:
            break;
    }
    double baseline = ascent;
    switch (dc_.textAlign & TA_VERT_MASK) {
        case TA_BASELINE:
            baseline = 0;
            break;
        case TA_BOTTOM:
            baseline = -descent;
            break;
        default:
            break;
    }
    // Text stays upright whatever the axes do; escapement turns it, and in
    // advanced mode so does the world transform.
    double angle = -f.escapement / 10.0;
    if (dc_.graphicsMode == GM_ADVANCED)
        angle += std::atan2(c.m12(), c.m11()) * 180 / M_PI;
    const QPointF origin = c.map(ref);
    QTransform place;
    place.translate(origin.x(), origin.y());
    place.rotate(angle);

    if (updateCp) {
        const double advance = (dc_.textAlign & TA_HORZ_MASK) == TA_CENTER
                                   ? 0
                                   : ((dc_.textAlign & TA_HORZ_MASK) == TA_RIGHT ? -width : width);
        const QPointF moved = place.map(QPointF(advance, 0));
        if (c.isInvertible())
            dc_.position = c.inverted().map(moved);
    }

    const QRectF cell(x0, baseline - ascent, width, ascent + descent);
    auto drawInto = [&](QPainterPath& out) {
        if (glyphs)
            return;  // glyph outlines need the exact font; left out of paths
        if (!perChar) {
            out.addText(QPointF(x0, baseline), font, text);
            return;
        }
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF at(x0 + offsets[i].x(), baseline + offsets[i].y());
            if (text.at(i).isHighSurrogate() && i + 1 < n) {
                out.addText(at, font, text.mid(i, 2));
                ++i;
            } else {
                out.addText(at, font, text.mid(i, 1));
            }
        }
    };

    if (dc_.inPath) {
        QPainterPath p;
        drawInto(p);
        addToPath(place.map(p), false);
        return;
    }
    QPainterPath box;
    box.addRect(cell);
    const QRectF deviceBounds = toTarget ? frame_.inverted().mapRect(place.map(box).boundingRect())
                                         : place.map(box).boundingRect();
    if (!prepare(deviceBounds, quint64(n)))
        return;

    painter_->save();
    if (rect && (options & ETO_CLIPPED)) {
        QPainterPath clip;
        clip.addPolygon(c.map(QPolygonF(rect->normalized())));
        painter_->setWorldTransform(base_);
        painter_->setClipPath(clip, Qt::IntersectClip);
    }
    painter_->setWorldTransform(place * base_);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setRenderHint(QPainter::Antialiasing);
    if (dc_.bkMode == OPAQUE)
        painter_->fillRect(cell, dc_.bkColor);
    painter_->setPen(dc_.textColor);
    painter_->setFont(font);
    const bool outlines = font.pixelSize() > kMaxBitmapTextPixels;
    if (outlines) {
        QPainterPath p;
        if (glyphs && raw.isValid()) {
            for (qsizetype i = 0; i < glyphIndexes.size() && i < qsizetype(offsets.size()); ++i)
                p.addPath(raw.pathForGlyph(glyphIndexes[i])
                              .translated(x0 + offsets[i].x(), baseline + offsets[i].y()));
        } else {
            drawInto(p);
        }
        painter_->fillPath(p, dc_.textColor);
    } else if (glyphs) {
        if (raw.isValid()) {
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes(glyphIndexes);
            QList<QPointF> positions;
            for (const QPointF& o : offsets)
                positions.append(QPointF(x0 + o.x(), baseline + o.y()));
            run.setPositions(positions);
            run.setUnderline(f.underline);
            run.setStrikeOut(f.strikeOut);
            painter_->drawGlyphRun(QPointF(0, 0), run);
        }
    } else if (!perChar) {
        painter_->drawText(QPointF(x0, baseline), text);
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF at(x0 + offsets[i].x(), baseline + offsets[i].y());
            if (text.at(i).isHighSurrogate() && i + 1 < n) {
                painter_->drawText(at, text.mid(i, 2));
                ++i;
            } else {
                painter_->drawText(at, text.mid(i, 1));
            }
        }
    }
    painter_->restore();
}

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
    const Qt::FillRule rule = dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    QRegion region;
    for (const QPolygonF& polygon : path.toFillPolygons())
        region = rule == Qt::WindingFill ? region | devicePolygonRegion(polygon, rule)
                                         : region ^ devicePolygonRegion(polygon, rule);
    combineClip(region, mode);
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

#pragma once

// Internals of the metafile player: the record reader, the work budget,
// the GDI objects and device-context state, and the Player that the WMF
// and EMF record loops drive. Not part of the library's public interface.

#include "metafile/metafile.h"

#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>

#include <cstring>
#include <optional>
#include <set>
#include <unordered_map>
#include <variant>
#include <vector>

class QPainter;

namespace lumora::mf {

// GDI values both formats share.
enum MapMode {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};
enum BkMode { TRANSPARENT = 1, OPAQUE = 2 };
enum PolyFillMode { ALTERNATE = 1, WINDING = 2 };
enum PenStyle {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
    PS_ENDCAP_MASK = 0x0F00,
    PS_ENDCAP_SQUARE = 0x0100,
    PS_ENDCAP_FLAT = 0x0200,
    PS_JOIN_MASK = 0xF000,
    PS_JOIN_BEVEL = 0x1000,
    PS_JOIN_MITER = 0x2000,
    PS_GEOMETRIC = 0x10000,
};
enum BrushStyle {
    BS_SOLID = 0,
    BS_NULL = 1,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    BS_DIBPATTERN = 5,
    BS_DIBPATTERNPT = 6,
};
enum TextAlign {
    TA_UPDATECP = 1,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_HORZ_MASK = 6,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
    TA_VERT_MASK = 24,
};
enum ExtTextOutOptions {
    ETO_OPAQUE = 0x0002,
    ETO_CLIPPED = 0x0004,
    ETO_GLYPH_INDEX = 0x0010,
    ETO_PDY = 0x2000,
};
enum ArcDirection { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
enum GraphicsMode { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum RegionMode { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum ColorUsage { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum Rop2 { R2_BLACK = 1, R2_NOP = 11, R2_COPYPEN = 13, R2_WHITE = 16 };
constexpr quint32 SRCCOPY = 0x00CC0020;
constexpr quint32 PATCOPY = 0x00F00021;

// Bounds-checked little-endian reads over one record. Reads past the end
// give 0; handlers check has() for the fields they need before reading.
class Reader {
public:
    Reader() = default;
    Reader(const uchar* data, qsizetype size) : p_(data), n_(size < 0 ? 0 : size) {}

    qsizetype size() const { return n_; }
    bool has(qint64 offset, qint64 bytes) const {
        return offset >= 0 && bytes >= 0 && offset <= n_ && bytes <= n_ - offset;
    }
    quint8 u8(qint64 off) const { return has(off, 1) ? p_[off] : 0; }
    quint16 u16(qint64 off) const {
        return has(off, 2) ? quint16(p_[off] | (p_[off + 1] << 8)) : 0;
    }
    qint16 s16(qint64 off) const { return qint16(u16(off)); }
    quint32 u32(qint64 off) const {
        if (!has(off, 4))
            return 0;
        return quint32(p_[off]) | (quint32(p_[off + 1]) << 8) | (quint32(p_[off + 2]) << 16) |
               (quint32(p_[off + 3]) << 24);
    }
    qint32 s32(qint64 off) const { return qint32(u32(off)); }
    float f32(qint64 off) const {
        const quint32 bits = u32(off);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // An empty view when the range is not inside the record.
    QByteArrayView view(qint64 off, qint64 len) const {
        if (!has(off, len))
            return {};
        return QByteArrayView(reinterpret_cast<const char*>(p_ + off), qsizetype(len));
    }
    // From off to the end (empty when off is past it).
    QByteArrayView tail(qint64 off) const {
        return has(off, 0) ? view(off, n_ - off) : QByteArrayView();
    }

private:
    const uchar* p_ = nullptr;
    qsizetype n_ = 0;
};

// Work allowed for one play. Every record, point, pixel of area drawn and
// bitmap pixel decoded costs; when it runs out the picture stops there, so
// a hostile file cannot keep the viewer busy for minutes.
class Budget {
public:
    static constexpr quint64 kPerPlay = 600'000'000;
    static constexpr quint64 kRecordCost = 32;
    static constexpr quint64 kPointCost = 8;

    explicit Budget(quint64 units = kPerPlay) : left_(units) {}
    bool spend(quint64 units) {
        if (units >= left_) {
            left_ = 0;
            return false;
        }
        left_ -= units;
        return true;
    }
    bool exhausted() const { return left_ == 0; }

private:
    quint64 left_;
};

// Immutable result of reading a metafile's header.
struct MetafileData {
    QByteArray bytes;
    Metafile::Format format = Metafile::Format::None;
    qsizetype firstRecord = 0;  // offset of the first record after the header(s)
    QRectF frame;               // picture frame in device space of the metafile
    QSizeF unitsPerMm;          // device units per millimetre (metric mapping modes)
    QSize size;                 // natural size at 96 dpi
};

// Most rectangles read from one region record or object.
constexpr int kMaxRegionRects = 4096;

// Largest bitmap the player decodes, in pixels.
constexpr qint64 kMaxBitmapPixels = 64 * 1024 * 1024;

// Decodes a DIB given as its header (+ colour table) and its bits. usage is
// DIB_RGB_COLORS or DIB_PAL_COLORS (indices into palette). With keepAlpha a
// 32-bit DIB keeps its fourth byte as premultiplied alpha; otherwise DIBs
// are opaque. Null on any inconsistency or when the bits are too short.
QImage decodeDib(QByteArrayView info, QByteArrayView bits, quint32 usage,
                 const QList<QRgb>& palette, Budget& budget, bool keepAlpha = false);
// The same for a packed DIB (header, colour table and bits in one block).
QImage decodePackedDib(QByteArrayView packed, quint32 usage, const QList<QRgb>& palette,
                       Budget& budget);
// Size of the header and colour table of a packed DIB, or -1.
qint64 dibInfoSize(QByteArrayView info, quint32 usage);
// A WMF Bitmap16 (device-dependent bitmap): 1-bit ones take the text (0)
// and background (1) colours; 24 and 32 bits are read directly.
QImage decodeBitmap16(QByteArrayView data, QColor zero, QColor one, Budget& budget);

// 8-bit text in a font's character set to Unicode.
QString decodeAnsi(QByteArrayView bytes, int charSet);

struct Pen {
    quint32 style = PS_SOLID;  // style, end cap and join bits
    double width = 0;          // logical units; 0 is one device pixel
    QColor color = Qt::black;
    QList<qreal> userDashes;  // PS_USERSTYLE, logical units
};

struct Brush {
    int style = BS_SOLID;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;     // BS_PATTERN / BS_DIBPATTERN
    bool mono = false;  // 1-bit pattern drawn in text (0) and background (1) colours
};

struct Font {
    qint32 height = 0;
    qint32 width = 0;
    qint32 escapement = 0;  // tenths of a degree
    qint32 weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charSet = 0;
    quint8 pitchAndFamily = 0;
    QString face;
};

struct Palette {
    QList<QRgb> colors;
};

struct Region {
    QRegion region;  // logical units
};

using Object = std::variant<Pen, Brush, Font, Palette, Region>;

struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    int palette = -1;  // object index of the selected palette, -1 the default one
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = OPAQUE;
    int fillMode = ALTERNATE;
    int rop2 = R2_COPYPEN;
    quint32 textAlign = 0;
    int stretchMode = 1;
    int arcDirection = AD_COUNTERCLOCKWISE;
    int graphicsMode = GM_COMPATIBLE;
    double miterLimit = 10;
    double charExtra = 0;
    QPointF brushOrg;

    int mapMode = MM_TEXT;
    QPointF windowOrg;
    QSizeF windowExt{1, 1};
    QPointF viewportOrg;
    QSizeF viewportExt{1, 1};
    QTransform world;
    QPointF position;  // current position, logical

    std::optional<QRegion> clip;      // pixels of the painter's device
    std::optional<QRegion> metaClip;  // pixels of the painter's device
    bool inPath = false;
    QPainterPath path;  // device space
};

// Plays GDI drawing operations onto a painter. Coordinates given to it are
// logical; it maps them through world transform and mapping mode into the
// metafile's device space and from the frame there onto the target. With
// no painter it only collects the bounds of what would be drawn.
// metafile_player.cpp sets it up; the groups below live in files named by topic.
class Player {
public:
    Player(QPainter* painter, const QRectF& target, const MetafileData& data, Budget& budget);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    Budget& budget() { return budget_; }
    bool drawing() const { return painter_ != nullptr; }
    // Bounds of everything drawn, in device space (bounds-only players).
    QRectF drawnBounds() const { return bounds_; }

    DcState& dc() { return dc_; }
    QColor color(quint32 colorRef) const;
    QList<QRgb> paletteColors() const;

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF org);
    void setWindowExt(QSizeF ext);
    void setViewportOrg(QPointF org);
    void setViewportExt(QSizeF ext);
    void offsetWindowOrg(QPointF delta);
    void offsetViewportOrg(QPointF delta);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform& t);
    // 1 identity, 2 left multiply, 3 right multiply, 4 set.
    void modifyWorldTransform(const QTransform& t, int mode);
    QTransform logicalToDevice() const;

    void saveDc();
    void restoreDc(int which);

    // Objects. WMF tables fill the lowest free slot; EMF records name it.
    void createObject(Object object);  // WMF
    void createObjectAt(quint32 index, Object object);
    void selectObject(quint32 index);
    void selectStockObject(quint32 index);
    void deleteObject(quint32 index);
    const Object* object(quint32 index) const;
    Palette* palette(quint32 index);
    void selectPalette(quint32 index);

    // Clipping (rectangles in logical units, regions in device units).
    void intersectClipRect(const QRectF& r);
    void excludeClipRect(const QRectF& r);
    void offsetClip(QPointF delta);
    void selectClipRegion(const std::optional<QRegion>& deviceRegion, int mode);
    void selectLogicalClipRegion(const QRegion& logical);
    void setMetaRegion();

    // Lines and shapes.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polyPolyline(const std::vector<QPolygonF>& lines);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void polyDraw(const QPolygonF& points, const QByteArrayView& types);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF center, double radius, double startDeg, double sweepDeg);
    void setPixel(QPointF p, QColor c);

    // Regions given in logical units.
    void fillRegion(const QRegion& logical, const Brush& brush);
    void frameRegion(const QRegion& logical, const Brush& brush, QSizeF stroke);
    void invertRegion(const QRegion& logical);

    // Text. dx are per-character advances in logical units (pairs with
    // ETO_PDY). Glyph-index text carries the glyph numbers as UTF-16 units.
    void textOut(QPointF reference, const QString& text, const std::vector<double>& dx,
                 quint32 options, const std::optional<QRectF>& rect);

    // Bitmaps. dest is logical and may have negative extents (mirroring);
    // src is in bitmap pixels, origin top-left, and may be negative too.
    void bitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop);
    // Destination given as device-space corners: top-left, top-right, bottom-left.
    void bitmapAt(const QPointF corners[3], const QImage& image, const QRectF& src, quint32 rop);
    void alphaBlend(const QRectF& dest, const QImage& image, const QRectF& src, int constAlpha);
    void transparentBlit(const QRectF& dest, const QImage& image, const QRectF& src,
                         QRgb transparent);
    void maskBlit(const QRectF& dest, const QImage& image, const QRectF& src, const QImage& mask,
                  QPoint maskOrigin, quint32 rop);
    void patBlt(const QRectF& dest, quint32 rop);
    void gradientRect(const QRectF& logical, QColor from, QColor to, bool vertical);
    void gradientTriangle(const QPolygonF& logical, QColor average);

    // Paths.
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);
    void widenPath();

private:
    const QTransform& mapping();
    void mappingChanged() { mappingDirty_ = true; }
    double xScale();
    QColor ropColor(QColor c) const;
    bool ropSkips() const { return dc_.rop2 == R2_NOP; }

    // Device-space shapes into the open path or onto the painter.
    void addToPath(const QPainterPath& device, bool connect);
    void drawDevicePath(const QPainterPath& device, bool fill, bool stroke);
    void fillDevicePath(const QPainterPath& device, const Brush& brush);
    void strokeDevicePath(const QPainterPath& device);
    QBrush qbrush(const Brush& brush) const;
    bool prepare(const QRectF& deviceBounds, quint64 points);
    void applyClip();
    void combineClip(const QRegion& pixels, int mode);
    void clipRect(const QRectF& logical, int mode);
    void setComposition(int rop2);

    QRectF deviceRect(const QRectF& logical, bool shrink);
    QPainterPath arcPath(ArcKind kind, const QRectF& box, QPointF start, QPointF end,
                         QPointF* endPoint);
    // Regions in pixels of the painter's device, within regionBox_.
    QRect visibleBox() const;
    QRegion polygonRegion(const QPolygonF& pixels, Qt::FillRule rule);
    QRegion pixelRegion(const QRegion& rects, const QTransform& toPixels);
    QRegion pixelRegion(const QRegion& logical);
    QRegion pathRegion(const QPainterPath& device, Qt::FillRule rule);
    bool prepareRegion(const QRegion& logical, QRegion& pixels);
    void fillTargetPath(const QPainterPath& target, const Brush& brush);

    void drawImagePasses(const QPointF corners[3], const QImage& image, const QRect& src,
                         quint32 rop);
    void fillDevicePolygonRop(const QPolygonF& device, quint32 rop);

    QPainter* painter_;
    QRectF target_;
    QRect regionBox_;  // pixels regions are built within: what can show, and a margin
    Budget& budget_;
    QTransform base_;   // painter's transform when play began
    QTransform frame_;  // device space of the metafile -> target
    double frameScale_ = 1;
    bool rasterOps_ = false;
    bool clipDirty_ = true;
    QRectF bounds_;
    bool haveBounds_ = false;

    DcState dc_;
    std::vector<DcState> saved_;
    std::unordered_map<quint32, Object> objects_;
    std::set<quint32> freeSlots_;
    quint32 nextSlot_ = 0;

    QTransform mapping_;
    bool mappingDirty_ = true;
    bool mappingValid_ = true;
    QSizeF unitsPerMm_;
};

}  // namespace lumora::mf

namespace lumora::mf {

// Header readers: fill data (format, first record, frame, units, size) and
// say whether the bytes are a metafile of that kind at all.
bool readWmfHeader(MetafileData& data);
bool readEmfHeader(MetafileData& data);
// Record loops. Unknown records are skipped; a record whose length does
// not fit ends the picture.
void playWmf(const MetafileData& data, Player& player);
void playEmf(const MetafileData& data, Player& player);

// Whether a DIB header describes rows stored bottom row first.
bool dibBottomUp(QByteArrayView info);
// A copy of a DIB header that describes only `rows` rows (SetDIBitsToDevice
// bands), or empty when the header cannot say so.
QByteArray dibHeaderWithRows(QByteArrayView info, qint64 rows);

// Natural pixel size from a size in pixels: rounded, at least 1 where not
// empty, at most Metafile::maxSide() a side with the aspect kept.
QSize naturalSize(QSizeF pixels);

}  // namespace lumora::mf

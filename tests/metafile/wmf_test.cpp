#include "metafile/metafile.h"
#include "metafile_writer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace lumora {
namespace {

using test::count;
using test::dib;
using test::inkBox;
using test::near;
using test::WmfWriter;

enum { PS_SOLID = 0, PS_DASH = 1, PS_NULL = 5, BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum { META_ARC = 0x0817, META_PIE = 0x081A, META_CHORD = 0x0830 };

// A 100 x 100 picture whose logical units are its pixels.
QImage render(const WmfWriter& w, QSize size = {100, 100}) {
    const Metafile m = Metafile::fromData(w.placeable(0, 0, 100, 100, 96));
    EXPECT_FALSE(m.isNull());
    return m.toImage(size);
}

// Selects a null pen and a solid brush (slots 0 and 1 of a fresh table).
WmfWriter filled(QColor c) {
    WmfWriter w;
    w.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, c).select(1);
    return w;
}

TEST(WmfHeader, PlaceableSizeIsBoundsOverUnitsPerInch) {
    const Metafile m = Metafile::fromData(WmfWriter().placeable(0, 0, 1440, 720, 1440));
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.format(), Metafile::Format::PlaceableWmf);
    EXPECT_EQ(m.size(), QSize(96, 48));
    // Bounds not starting at 0 and given right to left still measure their extent.
    EXPECT_EQ(Metafile::fromData(WmfWriter().placeable(1000, 200, 40, 2120, 960)).size(),
              QSize(96, 192));
}

TEST(WmfHeader, PlainSizeIsTheWindowOrTheViewportItMapsTo) {
    WmfWriter w;
    w.setWindowOrg(0, 0).setWindowExt(200, 100).rectangle(0, 0, 10, 10);
    const Metafile plain = Metafile::fromData(w.plain());
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(plain.format(), Metafile::Format::Wmf);
    EXPECT_EQ(plain.size(), QSize(200, 100));

    WmfWriter v;
    v.setMapMode(8).setWindowExt(1000, 1000).setViewportExt(100, 100);
    v.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::blue).select(1);
    v.rectangle(500, 500, 1000, 1000);
    const Metafile viewport = Metafile::fromData(v.plain());
    EXPECT_EQ(viewport.size(), QSize(100, 100));
    const QImage img = viewport.toImage(viewport.size());
    EXPECT_TRUE(near(img.pixel(75, 75), Qt::blue));
    EXPECT_TRUE(near(img.pixel(25, 25), Qt::white));
    EXPECT_TRUE(near(img.pixel(45, 75), Qt::white));
}

TEST(WmfHeader, PlainWithoutWindowTakesWhatItDraws) {
    WmfWriter w = filled(Qt::red);
    w.rectangle(20, 30, 60, 50);
    const Metafile m = Metafile::fromData(w.plain());
    ASSERT_FALSE(m.isNull());
    // GDI leaves out the right and bottom edge: pixels 20..58 and 30..48.
    EXPECT_EQ(m.size(), QSize(39, 19));
    EXPECT_TRUE(near(m.toImage(m.size()).pixel(20, 10), Qt::red));
    EXPECT_TRUE(near(m.toImage(m.size()).pixel(0, 0), Qt::red));
}

TEST(WmfHeader, NonMetafilesAreNull) {
    EXPECT_TRUE(Metafile::fromData({}).isNull());
    EXPECT_TRUE(Metafile::fromData("BM this is a bitmap, not a metafile").isNull());
    const QByteArray good = WmfWriter().plain();
    EXPECT_TRUE(Metafile::fromData(good.left(10)).isNull());
    QByteArray badVersion = good;
    badVersion[4] = 0x42;
    EXPECT_TRUE(Metafile::fromData(badVersion).isNull());
    EXPECT_TRUE(Metafile().toImage({10, 10}).isNull());
    EXPECT_TRUE(Metafile::fromFile("/nonexistent/picture.wmf").isNull());
}

TEST(WmfHeader, ReadsFromFile) {
    test::ScratchDir dir;
    const QString path = dir.path() + "/p.wmf";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(filled(Qt::green).rectangle(0, 0, 100, 100).placeable(0, 0, 100, 100, 96));
    f.close();
    const Metafile m = Metafile::fromFile(path);
    ASSERT_FALSE(m.isNull());
    EXPECT_TRUE(near(m.toImage({10, 10}).pixel(5, 5), Qt::green));
}

TEST(WmfShapes, RectangleFillsAndOutlinesWithoutRightAndBottomEdge) {
    WmfWriter w;
    w.createPen(PS_SOLID, 1, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    w.rectangle(10, 10, 50, 50);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(30, 30), Qt::red));
    EXPECT_TRUE(near(img.pixel(10, 30), Qt::black));
    EXPECT_TRUE(near(img.pixel(49, 30), Qt::black));
    EXPECT_TRUE(near(img.pixel(30, 49), Qt::black));
    EXPECT_TRUE(near(img.pixel(50, 30), Qt::white));
    EXPECT_TRUE(near(img.pixel(5, 5), Qt::white));
    EXPECT_EQ(inkBox(img), QRect(QPoint(10, 10), QPoint(49, 49)));
}

TEST(WmfShapes, NullPenAndNullBrushDrawNothingOfTheirPart) {
    WmfWriter w;
    w.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    w.rectangle(10, 10, 40, 40);
    w.createPen(PS_SOLID, 1, Qt::blue).select(2).createBrush(BS_NULL, Qt::red).select(3);
    w.rectangle(60, 60, 90, 90);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 25), Qt::red));    // no outline on the first
    EXPECT_TRUE(near(img.pixel(75, 75), Qt::white));  // hollow second
    EXPECT_TRUE(near(img.pixel(60, 75), Qt::blue));
}

TEST(WmfShapes, EllipseRoundRectAndPolygonMatchTheSameShapesDrawnDirectly) {
    WmfWriter w = filled(Qt::red);
    w.ellipse(5, 5, 95, 45).roundRect(5, 55, 45, 95, 20, 20);
    w.polygon({{55, 55}, {95, 55}, {75, 95}});
    QImage expected(100, 100, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::white);
    QPainter p(&expected);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawEllipse(QRectF(5, 5, 89, 39));
    p.drawRoundedRect(QRectF(5, 55, 39, 39), 10, 10);
    p.drawPolygon(QPolygonF({QPointF(55, 55), QPointF(95, 55), QPointF(75, 95)}));
    p.end();
    EXPECT_LT(test::mismatch(render(w), expected), 0.01);
}

TEST(WmfShapes, ArcsPiesAndChordsRunCounterClockwise) {
    // From the radial to the right (3 o'clock) to the one up (12 o'clock).
    const QRect box(QPoint(10, 10), QPoint(89, 89));
    WmfWriter pie = filled(Qt::blue);
    pie.arcLike(META_PIE, box, {100, 50}, {50, 0});
    QImage img = render(pie);
    EXPECT_TRUE(near(img.pixel(65, 35), Qt::blue));  // upper right quarter
    EXPECT_TRUE(near(img.pixel(35, 35), Qt::white));
    EXPECT_TRUE(near(img.pixel(65, 65), Qt::white));
    EXPECT_TRUE(near(img.pixel(35, 65), Qt::white));

    // Swapped radials take the other three quarters.
    WmfWriter rest = filled(Qt::blue);
    rest.arcLike(META_PIE, box, {50, 0}, {100, 50});
    img = render(rest);
    EXPECT_TRUE(near(img.pixel(65, 35), Qt::white));
    EXPECT_TRUE(near(img.pixel(35, 65), Qt::blue));

    // A chord cuts along the line between the ends, so the centre stays out.
    WmfWriter chord = filled(Qt::blue);
    chord.arcLike(META_CHORD, box, {100, 50}, {50, 0});
    img = render(chord);
    EXPECT_TRUE(near(img.pixel(75, 25), Qt::blue));
    EXPECT_TRUE(near(img.pixel(55, 45), Qt::white));

    WmfWriter arc;
    arc.createPen(PS_SOLID, 3, Qt::black).select(0);
    arc.arcLike(META_ARC, box, {100, 50}, {50, 0});
    img = render(arc);
    const QRect ink = inkBox(img);
    EXPECT_GE(ink.left(), 47);
    EXPECT_LE(ink.bottom(), 53);
    EXPECT_TRUE(test::isInk(img.pixel(50 + 28, 50 - 28)));  // on the circle at 45 degrees
}

TEST(WmfShapes, FillModesDecideOverlaps) {
    // Two squares in the same direction: a hole when alternating, filled when winding.
    const QList<QList<QPoint>> squares = {{{10, 10}, {90, 10}, {90, 90}, {10, 90}},
                                          {{30, 30}, {70, 30}, {70, 70}, {30, 70}}};
    WmfWriter alternate = filled(Qt::red);
    alternate.setPolyFillMode(1).polyPolygon(squares);
    WmfWriter winding = filled(Qt::red);
    winding.setPolyFillMode(2).polyPolygon(squares);
    EXPECT_TRUE(near(render(alternate).pixel(50, 50), Qt::white));
    EXPECT_TRUE(near(render(alternate).pixel(20, 50), Qt::red));
    EXPECT_TRUE(near(render(winding).pixel(50, 50), Qt::red));
}

TEST(WmfShapes, LinesPolylinesAndPixels) {
    WmfWriter w;
    w.createPen(PS_SOLID, 1, Qt::black).select(0);
    w.moveTo(10, 20).lineTo(90, 20);
    w.polyline({{10, 40}, {50, 40}, {50, 80}});
    w.setPixel(5, 95, Qt::red);
    const QImage img = render(w);
    EXPECT_TRUE(test::isInk(img.pixel(50, 20)));
    EXPECT_FALSE(test::isInk(img.pixel(50, 22)));
    EXPECT_TRUE(test::isInk(img.pixel(30, 40)));
    EXPECT_TRUE(test::isInk(img.pixel(50, 60)));
    EXPECT_FALSE(test::isInk(img.pixel(30, 60)));
    EXPECT_TRUE(near(img.pixel(5, 95), Qt::red));
}

TEST(WmfPens, WidthAndDashes) {
    WmfWriter w;
    w.createPen(PS_SOLID, 9, Qt::black).select(0).moveTo(10, 30).lineTo(90, 30);
    w.createPen(PS_DASH, 1, Qt::black).select(1).setBkMode(1).moveTo(0, 70).lineTo(100, 70);
    const QImage img = render(w);
    // Nine pixels thick around y = 30.
    EXPECT_TRUE(test::isInk(img.pixel(50, 26)));
    EXPECT_TRUE(test::isInk(img.pixel(50, 34)));
    EXPECT_FALSE(test::isInk(img.pixel(50, 37)));
    // A dashed line has both ink and gaps along it.
    const int ink = count(img, QRect(0, 70, 100, 1), Qt::black, 100);
    EXPECT_GT(ink, 50);
    EXPECT_LT(ink, 95);
}

TEST(WmfBrushes, HatchesShowBackgroundOnlyWhenOpaque) {
    WmfWriter transparent;
    transparent.createPen(PS_NULL, 0, Qt::black).select(0);
    transparent.createBrush(BS_HATCHED, Qt::blue, 4).select(1).setBkMode(1);
    transparent.rectangle(0, 0, 100, 100);
    QImage img = render(transparent);
    const QRect area(8, 8, 80, 80);
    const int lines = count(img, area, Qt::blue);
    EXPECT_GT(lines, 80 * 80 / 8);  // a cross hatch covers about 15/64
    EXPECT_LT(lines, 80 * 80 / 2);
    EXPECT_EQ(lines + count(img, area, Qt::white), 80 * 80);

    WmfWriter opaque;
    opaque.createPen(PS_NULL, 0, Qt::black).select(0);
    opaque.createBrush(BS_HATCHED, Qt::blue, 4).select(1).setBkMode(2).setBkColor(Qt::yellow);
    opaque.rectangle(0, 0, 100, 100);
    img = render(opaque);
    EXPECT_EQ(count(img, area, Qt::white), 0);
    EXPECT_GT(count(img, area, Qt::yellow), 80 * 80 / 2);
}

TEST(WmfBrushes, DibPatternTilesInDevicePixels) {
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.fill(Qt::white);
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    tile.setPixel(1, 1, qRgb(255, 0, 0));
    WmfWriter w;
    w.createPen(PS_NULL, 0, Qt::black).select(0).dibPatternBrush(dib(tile)).select(1);
    w.rectangle(0, 0, 100, 100);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::red));
    EXPECT_TRUE(near(img.pixel(11, 10), Qt::white));
    EXPECT_TRUE(near(img.pixel(11, 11), Qt::red));
}

TEST(WmfMapping, AnisotropicWindowIntoSmallerViewport) {
    // Window 1000 x 1000 onto a 100 x 100 viewport: logical 500 is pixel 50.
    WmfWriter w;
    w.setMapMode(8).setWindowOrg(0, 0).setWindowExt(1000, 1000);
    w.setViewportOrg(0, 0).setViewportExt(100, 100);
    w.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    w.rectangle(500, 200, 900, 400);
    const QImage img = render(w);
    EXPECT_EQ(inkBox(img), QRect(QPoint(50, 20), QPoint(88, 38)));
}

TEST(WmfMapping, WindowOfThePlaceableFileMapsOntoItsBounds) {
    // Bounds in twips; the file draws in a window of its own units.
    WmfWriter w;
    w.setWindowOrg(-100, -100).setWindowExt(200, 200);
    w.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    w.rectangle(0, 0, 100, 100);
    const Metafile m = Metafile::fromData(w.placeable(0, 0, 1440, 1440, 1440));
    ASSERT_EQ(m.size(), QSize(96, 96));
    const QImage img = m.toImage({100, 100});
    EXPECT_TRUE(near(img.pixel(75, 75), Qt::red));
    EXPECT_TRUE(near(img.pixel(25, 25), Qt::white));
    EXPECT_TRUE(near(img.pixel(45, 75), Qt::white));
}

TEST(WmfMapping, IsotropicKeepsUnitsSquare) {
    WmfWriter iso;
    iso.setMapMode(7).setWindowExt(100, 50).setViewportExt(100, 100);
    iso.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    iso.rectangle(0, 0, 100, 50);
    EXPECT_EQ(inkBox(render(iso)), QRect(QPoint(0, 0), QPoint(98, 48)));

    WmfWriter aniso;
    aniso.setMapMode(8).setWindowExt(100, 50).setViewportExt(100, 100);
    aniso.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    aniso.rectangle(0, 0, 100, 50);
    EXPECT_EQ(inkBox(render(aniso)), QRect(QPoint(0, 0), QPoint(98, 98)));
}

TEST(WmfMapping, MetricModesFlipYAndScaleByTheirUnit) {
    // 254 units an inch: one unit a tenth of a millimetre, so device units
    // per logical unit are 1 (LOMETRIC), 0.1 (HIMETRIC), 2.54 (LOENGLISH),
    // 0.254 (HIENGLISH) and 254/1440 (TWIPS). Each draws device 20..60.
    struct Case {
        int mode;
        double unitsPerDevice;
    };
    for (const Case c :
         {Case{2, 1}, Case{3, 10}, Case{4, 1 / 2.54}, Case{5, 1 / 0.254}, Case{6, 1440 / 254.0}}) {
        SCOPED_TRACE(c.mode);
        const auto at = [&](double device) { return int(std::lround(device * c.unitsPerDevice)); };
        WmfWriter w = filled(Qt::red);
        w.setMapMode(c.mode);
        w.rectangle(at(20), -at(20), at(60), -at(60));
        const QImage img = Metafile::fromData(w.placeable(0, 0, 100, 100, 254)).toImage({100, 100});
        const QRect ink = inkBox(img);
        EXPECT_NEAR(ink.left(), 20, 1);
        EXPECT_NEAR(ink.top(), 20, 1);
        EXPECT_NEAR(ink.right(), 58, 1);
        EXPECT_NEAR(ink.bottom(), 58, 1);
    }
}

TEST(WmfMapping, OffsetsAndScalingOfWindowAndViewport) {
    WmfWriter w;
    w.setMapMode(8).setWindowExt(100, 100).setViewportExt(100, 100);
    w.offsetWindowOrg(10, 10);       // logical 10 now at device 0
    w.scaleWindowExt(2, 1, 2, 1);    // window 200: half size
    w.scaleViewportExt(3, 0, 3, 0);  // a zero denominator is refused
    w.setWindowExt(0, 0);            // and so is a zero extent
    w.offsetViewportOrg(20, 20);
    w.createPen(PS_NULL, 0, Qt::black).select(0).createBrush(BS_SOLID, Qt::red).select(1);
    w.rectangle(10, 10, 90, 90);
    EXPECT_EQ(inkBox(render(w)), QRect(QPoint(20, 20), QPoint(58, 58)));
}

TEST(WmfState, SaveAndRestoreRelativeAndAbsolute) {
    WmfWriter w;
    w.createPen(PS_NULL, 0, Qt::black).select(0);
    w.createBrush(BS_SOLID, Qt::red)
        .createBrush(BS_SOLID, Qt::blue)
        .createBrush(BS_SOLID, Qt::green);  // slots 1, 2, 3
    w.select(1).saveDc();                   // level 1: red
    w.select(2).saveDc();                   // level 2: blue
    w.select(3).restoreDc(-1);              // back to blue, level 1 left
    w.rectangle(0, 0, 30, 30);
    w.saveDc().select(3).setWindowOrg(50, 50);
    w.restoreDc(1);  // red, window back at 0
    w.rectangle(35, 0, 65, 30);
    w.restoreDc(-5).restoreDc(3).restoreDc(0);  // nothing saved: ignored
    w.rectangle(70, 0, 100, 30);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(15, 15), Qt::blue));
    EXPECT_TRUE(near(img.pixel(50, 15), Qt::red));
    EXPECT_TRUE(near(img.pixel(85, 15), Qt::red));
}

TEST(WmfState, ObjectTableReusesTheLowestFreeSlot) {
    WmfWriter w;
    w.createPen(PS_NULL, 0, Qt::black);                 // 0
    w.createBrush(BS_SOLID, Qt::red);                   // 1
    w.createBrush(BS_SOLID, Qt::green);                 // 2
    w.deleteObject(1).createBrush(BS_SOLID, Qt::blue);  // takes 1 again
    w.select(0).select(1).select(999).rectangle(0, 0, 50, 50);
    w.select(2).rectangle(50, 0, 100, 50);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(25, 25), Qt::blue));
    EXPECT_TRUE(near(img.pixel(75, 25), Qt::green));
}

TEST(WmfState, ClipRectanglesIntersectExcludeAndRestore) {
    WmfWriter w = filled(Qt::red);
    w.saveDc().intersectClipRect(20, 20, 80, 80).excludeClipRect(40, 40, 60, 60);
    w.rectangle(0, 0, 100, 100);
    w.restoreDc(-1);
    w.createBrush(BS_SOLID, Qt::blue).select(2).rectangle(0, 90, 100, 100);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::white));
    EXPECT_TRUE(near(img.pixel(30, 30), Qt::red));
    EXPECT_TRUE(near(img.pixel(50, 50), Qt::white));
    EXPECT_TRUE(near(img.pixel(85, 50), Qt::white));
    EXPECT_TRUE(near(img.pixel(5, 95), Qt::blue));  // clip gone after RestoreDC
}

TEST(WmfState, XorPenTwiceLeavesThePictureAsItWas) {
    WmfWriter w = filled(Qt::red);
    w.setRop2(7).rectangle(10, 10, 60, 60).rectangle(30, 30, 90, 90);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(20, 20), QColor(0, 255, 255)));  // white ^ red
    EXPECT_TRUE(near(img.pixel(45, 45), Qt::white));            // twice
    EXPECT_TRUE(near(img.pixel(80, 80), QColor(0, 255, 255)));
}

TEST(WmfText, AlignmentPlacesTheReferencePoint) {
    auto inkOf = [](int align, int x, int y) {
        WmfWriter w;
        w.createFont(-20, "DejaVu Sans").select(0).setBkMode(1).setTextAlign(align);
        w.textOut(x, y, "HHH");
        return inkBox(render(w));
    };
    const QRect left = inkOf(0, 50, 20);       // TA_TOP | TA_LEFT
    const QRect right = inkOf(2, 50, 20);      // TA_RIGHT
    const QRect centre = inkOf(6, 50, 20);     // TA_CENTER
    const QRect baseline = inkOf(24, 50, 50);  // TA_BASELINE
    const QRect bottom = inkOf(8, 50, 50);     // TA_BOTTOM
    ASSERT_FALSE(left.isEmpty());
    EXPECT_NEAR(left.left(), 50, 3);
    EXPECT_GT(left.top(), 20);
    EXPECT_NEAR(right.right(), 50, 3);
    EXPECT_NEAR((centre.left() + centre.right()) / 2.0, 50, 2);
    EXPECT_NEAR(baseline.bottom(), 49, 1);  // capitals sit on the baseline
    EXPECT_LT(bottom.bottom(), 49);         // the descent hangs below the letters
}

TEST(WmfText, UpdateCpContinuesWhereTheLastTextEnded) {
    WmfWriter w;
    w.createFont(-20, "DejaVu Sans").select(0).setBkMode(1).setTextAlign(1);
    w.moveTo(5, 20).textOut(0, 0, "HH").textOut(0, 0, "HH");
    WmfWriter once;
    once.createFont(-20, "DejaVu Sans").select(0).setBkMode(1).textOut(5, 20, "HHHH");
    const QImage img = render(w), expected = render(once);
    ASSERT_FALSE(inkBox(expected).isEmpty());
    EXPECT_EQ(inkBox(img).left(), inkBox(expected).left());
    EXPECT_NEAR(inkBox(img).right(), inkBox(expected).right(), 1);
    EXPECT_LT(test::mismatch(img, expected), 0.02);
}

TEST(WmfText, HeightsWeightColourBackgroundAndEscapement) {
    WmfWriter em, cell;
    em.createFont(-40, "DejaVu Sans").select(0).setBkMode(1).textOut(5, 5, "H");
    cell.createFont(40, "DejaVu Sans").select(0).setBkMode(1).textOut(5, 5, "H");
    const int emHeight = inkBox(render(em)).height(), cellHeight = inkBox(render(cell)).height();
    EXPECT_NEAR(emHeight, 29, 3);  // capitals are about 0.73 em
    EXPECT_LT(cellHeight, emHeight);

    WmfWriter coloured;
    coloured.createFont(-30, "DejaVu Sans", 700).select(0).setTextColor(Qt::red);
    coloured.setBkMode(2).setBkColor(Qt::yellow).textOut(5, 5, "H");
    const QImage img = render(coloured);
    EXPECT_GT(count(img, img.rect(), Qt::red), 50);
    EXPECT_GT(count(img, img.rect(), Qt::yellow), 50);  // the opaque cell

    WmfWriter turned;
    turned.createFont(-20, "DejaVu Sans", 400, false, false, 900).select(0).setBkMode(1);
    turned.textOut(50, 90, "HHHHH");
    const QRect ink = inkBox(render(turned));
    EXPECT_GT(ink.height(), 2 * ink.width());  // runs upwards
    EXPECT_LT(ink.bottom(), 91);
}

TEST(WmfText, LargeTextDrawnAsOutlinesLandsWhereSmallTextDoes) {
    // 80 units on a 400-pixel render is a 320-pixel font, past the glyph-image limit.
    WmfWriter w;
    w.createFont(-80, "DejaVu Sans").select(0).setBkMode(1).setTextAlign(24);
    w.extTextOut(5, 80, "HI", 0, {}, {55, 40});
    const Metafile m = Metafile::fromData(w.placeable(0, 0, 100, 100, 96));
    const QRect small = inkBox(m.toImage({100, 100}));
    const QRect large = inkBox(m.toImage({400, 400}));
    ASSERT_FALSE(small.isEmpty());
    EXPECT_NEAR(large.left(), 4 * small.left(), 5);
    EXPECT_NEAR(large.right(), 4 * small.right(), 6);
    EXPECT_NEAR(large.top(), 4 * small.top(), 5);
    EXPECT_NEAR(large.bottom(), 4 * small.bottom(), 6);
    EXPECT_GT(count(m.toImage({400, 400}), large, Qt::black, 100),
              large.width() * large.height() / 5);
}

TEST(WmfText, ExtTextOutAdvancesOpaqueRectangleAndClipping) {
    WmfWriter spaced;
    spaced.createFont(-20, "DejaVu Sans").select(0).setBkMode(1);
    spaced.extTextOut(5, 10, "III", 0, {}, {30, 30, 30});
    const QImage img = render(spaced);
    // Three strokes about 30 apart.
    EXPECT_TRUE(count(img, QRect(0, 20, 20, 1), Qt::black, 120) > 0);
    EXPECT_TRUE(count(img, QRect(30, 20, 20, 1), Qt::black, 120) > 0);
    EXPECT_TRUE(count(img, QRect(60, 20, 20, 1), Qt::black, 120) > 0);
    EXPECT_EQ(count(img, QRect(20, 20, 10, 1), Qt::black, 120), 0);

    WmfWriter boxed;
    boxed.createFont(-40, "DejaVu Sans").select(0).setBkMode(1).setBkColor(Qt::green);
    boxed.extTextOut(10, 10, "HHHH", 6, QRect(QPoint(0, 60), QPoint(99, 99)));
    const QImage b = render(boxed);
    EXPECT_TRUE(near(b.pixel(50, 80), Qt::green));                 // opaque rectangle
    EXPECT_EQ(count(b, QRect(0, 0, 100, 60), Qt::black, 120), 0);  // text clipped away
}

TEST(WmfBitmaps, StretchDibOrientationAndSourceRectangle) {
    QImage quad(2, 2, QImage::Format_RGB32);
    quad.setPixel(0, 0, qRgb(255, 0, 0));
    quad.setPixel(1, 0, qRgb(0, 255, 0));
    quad.setPixel(0, 1, qRgb(0, 0, 255));
    quad.setPixel(1, 1, qRgb(255, 255, 0));
    for (int bpp : {24, 32, 8, 4}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(QString("%1 bits, top-down %2").arg(bpp).arg(topDown).toStdString());
            WmfWriter w;
            w.stretchDib(QRect(10, 10, 80, 80), QRect(0, 0, 2, 2), dib(quad, bpp, topDown));
            const QImage img = render(w);
            EXPECT_TRUE(near(img.pixel(20, 20), Qt::red));
            EXPECT_TRUE(near(img.pixel(80, 20), Qt::green));
            EXPECT_TRUE(near(img.pixel(20, 80), Qt::blue));
            EXPECT_TRUE(near(img.pixel(80, 80), Qt::yellow));
            EXPECT_TRUE(near(img.pixel(5, 5), Qt::white));
            // Enlarged pixel by pixel, not blended: pure colours up to the seam.
            EXPECT_TRUE(near(img.pixel(49, 20), Qt::red, 8));
            EXPECT_TRUE(near(img.pixel(50, 20), Qt::green, 8));
        }
    }
    // Source y counts from the bottom of a bottom-up DIB: row 0 is the blue one.
    WmfWriter part;
    part.stretchDib(QRect(0, 0, 100, 100), QRect(0, 0, 1, 1), dib(quad));
    EXPECT_TRUE(near(render(part).pixel(50, 50), Qt::blue));
    // Negative destination width mirrors.
    WmfWriter mirrored;
    mirrored.stretchDib(QRect(90, 10, -80, 80), QRect(0, 0, 2, 2), dib(quad));
    EXPECT_TRUE(near(render(mirrored).pixel(20, 20), Qt::green));
}

TEST(WmfBitmaps, BlitsWithDibAndMonochromeSources) {
    QImage quad(2, 2, QImage::Format_RGB32);
    quad.fill(Qt::black);
    quad.setPixel(1, 1, qRgb(255, 0, 0));
    WmfWriter w;
    w.dibStretchBlt(QRect(0, 0, 50, 50), QRect(0, 0, 2, 2), dib(quad));
    w.dibBitBlt(QPoint(60, 0), QRect(0, 0, 2, 2), dib(quad));
    w.setTextColor(Qt::blue).setBkColor(Qt::yellow);
    w.bitBltMono(QPoint(0, 60), {"#...", "....", "....", "...#"});
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::black));
    EXPECT_TRUE(near(img.pixel(40, 40), Qt::red));
    EXPECT_TRUE(near(img.pixel(61, 1), Qt::red));
    EXPECT_TRUE(near(img.pixel(62, 2), Qt::white));
    // Set bits take the background colour, clear ones the text colour.
    EXPECT_TRUE(near(img.pixel(0, 60), Qt::yellow));
    EXPECT_TRUE(near(img.pixel(1, 60), Qt::blue));
    EXPECT_TRUE(near(img.pixel(3, 63), Qt::yellow));
}

TEST(WmfBitmaps, RasterOperations) {
    QImage red(1, 1, QImage::Format_RGB32);
    red.fill(Qt::red);
    WmfWriter w = filled(Qt::blue);
    w.patBlt(0, 0, 20, 100, 0x00F00021);   // PATCOPY
    w.patBlt(20, 0, 20, 100, 0x00000042);  // BLACKNESS
    w.patBlt(40, 0, 20, 100, 0x00550009);  // DSTINVERT on white
    w.stretchDib(QRect(60, 0, 20, 100), QRect(0, 0, 1, 1), dib(red), 0x00660046);  // SRCINVERT
    w.stretchDib(QRect(60, 50, 20, 50), QRect(0, 0, 1, 1), dib(red), 0x00660046);  // twice
    w.stretchDib(QRect(80, 0, 20, 100), QRect(0, 0, 1, 1), dib(red), 0x008800C6);  // SRCAND
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::blue));
    EXPECT_TRUE(near(img.pixel(30, 10), Qt::black));
    EXPECT_TRUE(near(img.pixel(50, 10), Qt::black));
    EXPECT_TRUE(near(img.pixel(70, 10), QColor(0, 255, 255)));
    EXPECT_TRUE(near(img.pixel(70, 80), Qt::white));
    EXPECT_TRUE(near(img.pixel(90, 10), Qt::red));
}

TEST(WmfPlay, DrawsIntoTheTargetAndLeavesThePainterAsFound) {
    WmfWriter w = filled(Qt::red);
    w.rectangle(-50, -50, 150, 150);  // spills past the frame
    const Metafile m = Metafile::fromData(w.placeable(0, 0, 100, 100, 96));
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(10, 0);
    p.setPen(QPen(Qt::green, 3));
    m.play(p, QRectF(40, 50, 50, 50));
    EXPECT_EQ(p.transform(), QTransform::fromTranslate(10, 0));
    EXPECT_EQ(p.pen().color(), QColor(Qt::green));
    EXPECT_FALSE(p.hasClipping());
    p.end();
    EXPECT_EQ(inkBox(img), QRect(50, 50, 50, 50));
}

}  // namespace
}  // namespace lumora

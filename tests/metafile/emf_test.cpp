#include "metafile/metafile.h"
#include "metafile_writer.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace lumora {
namespace {

using test::count;
using test::dib;
using test::EmfWriter;
using test::inkBox;
using test::near;

constexpr qint64 kStock = 0x80000000;
enum { BLACK_BRUSH = 4, NULL_BRUSH = 5, BLACK_PEN = 7, NULL_PEN = 8 };
enum { EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYBEZIERTO = 5, EMR_POLYGON16 = 86 };
enum { EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62 };
enum { EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_SELECTCLIPPATH = 67 };
enum { EMR_INTERSECTCLIPRECT = 30, EMR_FILLRGN = 71 };

// The writer's frame is 96 x 96 reference pixels: device units are pixels.
QImage render(const EmfWriter& w, QSize size = {96, 96}) {
    const Metafile m = Metafile::fromData(w.bytes());
    EXPECT_FALSE(m.isNull());
    EXPECT_EQ(m.size(), QSize(96, 96));
    return m.toImage(size);
}

EmfWriter filled(QColor c) {
    EmfWriter w;
    w.select(kStock | NULL_PEN).createBrush(1, 0, c).select(1);
    return w;
}

QImage drawn(const std::function<void(QPainter&)>& draw) {
    QImage img(96, 96, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return img;
}

TEST(EmfHeader, SizeComesFromTheFrameInHundredthsOfAMillimetre) {
    const Metafile m = Metafile::fromData(EmfWriter().bytes(QRect(0, 0, 2541, 1271)));
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.format(), Metafile::Format::Emf);
    EXPECT_EQ(m.size(), QSize(96, 48));
    EXPECT_EQ(Metafile::fromData(EmfWriter().bytes(QRect(1000, 1000, 5081, 2541))).size(),
              QSize(192, 96));
}

TEST(EmfHeader, WithoutAFrameTheBoundsDecide) {
    QByteArray bytes = EmfWriter().bytes(QRect(0, 0, 0, 0));
    const char noFrame[16] = {};
    bytes.replace(24, 16, QByteArray(noFrame, 16));
    const Metafile m = Metafile::fromData(bytes);  // bounds 0..95 inclusive
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.size(), QSize(96, 96));
    QByteArray wrong = EmfWriter().bytes();
    wrong[40] = 'X';  // signature
    EXPECT_TRUE(Metafile::fromData(wrong).isNull());
}

TEST(EmfObjects, StockPensAndBrushes) {
    EmfWriter w;
    w.select(kStock | BLACK_BRUSH).select(kStock | NULL_PEN).rectangle(10, 10, 40, 40);
    w.select(kStock | NULL_BRUSH).select(kStock | BLACK_PEN).rectangle(50, 50, 90, 90);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(25, 25), Qt::black));
    EXPECT_TRUE(near(img.pixel(70, 70), Qt::white));
    EXPECT_TRUE(near(img.pixel(50, 70), Qt::black));
}

TEST(EmfObjects, ExtCreatePenWidthNullBrushAndUserStyle) {
    EmfWriter w;
    w.extCreatePen(1, 0x10000, 7, 0, Qt::black).select(1).moveTo(10, 20).lineTo(86, 20);
    w.extCreatePen(2, 0x10000, 7, 1, Qt::black).select(2).moveTo(10, 50).lineTo(86, 50);
    w.setBkMode(1).extCreatePen(3, 7, 1, 0, Qt::black, {10, 10}).select(3);
    w.moveTo(0, 80).lineTo(96, 80);
    const QImage img = render(w);
    EXPECT_TRUE(test::isInk(img.pixel(50, 17)));
    EXPECT_TRUE(test::isInk(img.pixel(50, 23)));
    EXPECT_EQ(count(img, QRect(0, 40, 96, 20), Qt::black, 120), 0);  // hollow brush: no line
    const int dashes = count(img, QRect(0, 80, 96, 1), Qt::black, 120);
    EXPECT_NEAR(dashes, 48, 6);
    EXPECT_TRUE(test::isInk(img.pixel(5, 80)));
    EXPECT_FALSE(test::isInk(img.pixel(15, 80)));
}

TEST(EmfShapes, SixteenBitRecordsDrawLikeTheirFullSizeForms) {
    const QList<QPoint> star = {{48, 5}, {75, 90}, {5, 35}, {91, 35}, {21, 90}};
    EmfWriter wide = filled(Qt::red), small = filled(Qt::red);
    wide.setPolyFillMode(2).poly(EMR_POLYGON, star);
    small.setPolyFillMode(2).poly(EMR_POLYGON16, star);
    const QImage a = render(wide), b = render(small);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(near(a.pixel(48, 50), Qt::red));  // winding fills the star's centre

    EmfWriter alternate = filled(Qt::red);
    alternate.poly(EMR_POLYGON, star);
    EXPECT_TRUE(near(render(alternate).pixel(48, 50), Qt::white));

    const QList<QList<QPoint>> squares = {{{10, 10}, {86, 10}, {86, 86}, {10, 86}},
                                          {{30, 30}, {66, 30}, {66, 66}, {30, 66}}};
    EmfWriter pp = filled(Qt::blue), pp16 = filled(Qt::blue);
    pp.polyPolygon(squares);
    pp16.polyPolygon(squares, true);
    EXPECT_EQ(render(pp), render(pp16));
    EXPECT_TRUE(near(render(pp).pixel(48, 48), Qt::white));
    EXPECT_TRUE(near(render(pp).pixel(20, 48), Qt::blue));
}

TEST(EmfShapes, BeziersFollowTheirControlPoints) {
    EmfWriter w;
    w.createPen(1, 0, 3, Qt::black).select(1);
    w.poly(EMR_POLYBEZIER, {{10, 80}, {10, 10}, {80, 10}, {80, 80}});
    w.moveTo(10, 90).poly(EMR_POLYBEZIERTO, {{30, 70}, {60, 70}, {80, 90}});
    const QImage expected = drawn([](QPainter& p) {
        QPainterPath path(QPointF(10.5, 80.5));
        path.cubicTo(QPointF(10.5, 10.5), QPointF(80.5, 10.5), QPointF(80.5, 80.5));
        path.moveTo(10.5, 90.5);
        path.cubicTo(QPointF(30.5, 70.5), QPointF(60.5, 70.5), QPointF(80.5, 90.5));
        QPen pen(Qt::black, 3);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.strokePath(path, pen);
    });
    EXPECT_LT(test::mismatch(render(w), expected), 0.005);
}

TEST(EmfShapes, PolyDrawMixesMovesLinesCurvesAndClosing) {
    enum { CLOSE = 1, LINE = 2, BEZIER = 4, MOVE = 6 };
    EmfWriter w;
    w.createPen(1, 0, 1, Qt::black).select(1);
    w.polyDraw({{10, 10}, {80, 10}, {80, 40}, {10, 60}, {40, 60}, {80, 60}, {80, 90}},
               {MOVE, LINE, LINE | CLOSE, MOVE, BEZIER, BEZIER, BEZIER});
    const QImage img = render(w);
    EXPECT_TRUE(test::isInk(img.pixel(45, 10)));
    EXPECT_TRUE(test::isInk(img.pixel(80, 25)));
    // The closing line runs from (80,40) back to (10,10).
    EXPECT_TRUE(test::isInk(img.pixel(45, 25)) || test::isInk(img.pixel(45, 26)));
    EXPECT_FALSE(test::isInk(img.pixel(10, 35)));
    EXPECT_TRUE(test::isInk(img.pixel(80, 89)) || test::isInk(img.pixel(80, 90)));
}

TEST(EmfPaths, FillStrokeAndClip) {
    const QList<QPoint> triangle = {{10, 10}, {86, 10}, {48, 86}};
    auto bracket = [&](EmfWriter& w) {
        w.rec(EMR_BEGINPATH, {}).moveTo(triangle[0].x(), triangle[0].y());
        w.lineTo(triangle[1].x(), triangle[1].y()).lineTo(triangle[2].x(), triangle[2].y());
        w.rec(EMR_CLOSEFIGURE, {}).rec(EMR_ENDPATH, {});
    };
    EmfWriter fill = filled(Qt::red);
    bracket(fill);
    fill.rec(EMR_FILLPATH, {0, 0, 0, 0});
    QImage img = render(fill);
    EXPECT_TRUE(near(img.pixel(48, 30), Qt::red));
    EXPECT_TRUE(near(img.pixel(15, 70), Qt::white));

    EmfWriter stroke;
    stroke.createBrush(1, 0, Qt::red).select(1).createPen(2, 0, 1, Qt::black).select(2);
    bracket(stroke);
    stroke.rec(EMR_STROKEPATH, {0, 0, 0, 0});
    img = render(stroke);
    EXPECT_TRUE(near(img.pixel(48, 30), Qt::white));
    EXPECT_TRUE(test::isInk(img.pixel(48, 10)));

    EmfWriter both;
    both.createBrush(1, 0, Qt::red).select(1).createPen(2, 0, 1, Qt::black).select(2);
    bracket(both);
    both.rec(EMR_STROKEANDFILLPATH, {0, 0, 0, 0});
    img = render(both);
    EXPECT_TRUE(near(img.pixel(48, 30), Qt::red));
    EXPECT_TRUE(test::isInk(img.pixel(48, 10)));

    EmfWriter clip = filled(Qt::blue);
    bracket(clip);
    clip.rec(EMR_SELECTCLIPPATH, {5}).rectangle(0, 0, 96, 96);
    img = render(clip);
    EXPECT_TRUE(near(img.pixel(48, 30), Qt::blue));
    EXPECT_TRUE(near(img.pixel(15, 70), Qt::white));
    EXPECT_TRUE(near(img.pixel(90, 90), Qt::white));
}

TEST(EmfMapping, WorldTransformsSetAndCombine) {
    auto box = [](auto&& setup) {
        EmfWriter w = filled(Qt::red);
        setup(w);
        w.rectangle(10, 10, 20, 20);
        return inkBox(render(w));
    };
    EXPECT_EQ(box([](EmfWriter& w) { w.setWorldTransform(2, 0, 0, 2, 0, 0); }),
              QRect(QPoint(20, 20), QPoint(38, 38)));
    // Left multiply: the new transform applies first, so the shift is doubled.
    EXPECT_EQ(box([](EmfWriter& w) {
                  w.setWorldTransform(2, 0, 0, 2, 0, 0).modifyWorldTransform(1, 0, 0, 1, 10, 0, 2);
              }),
              QRect(QPoint(40, 20), QPoint(58, 38)));
    EXPECT_EQ(box([](EmfWriter& w) {
                  w.setWorldTransform(2, 0, 0, 2, 0, 0).modifyWorldTransform(1, 0, 0, 1, 10, 0, 3);
              }),
              QRect(QPoint(30, 20), QPoint(48, 38)));
    EXPECT_EQ(box([](EmfWriter& w) {
                  w.setWorldTransform(3, 0, 0, 3, 0, 0).modifyWorldTransform(0, 0, 0, 0, 0, 0, 1);
              }),
              QRect(QPoint(10, 10), QPoint(18, 18)));
    // A quarter turn about the origin, then moved into view: 10..20 becomes x 60..70.
    const QRect turned = box([](EmfWriter& w) { w.setWorldTransform(0, 1, -1, 0, 80, 0); });
    EXPECT_NEAR(turned.left(), 60, 1);
    EXPECT_NEAR(turned.right(), 69, 1);
    EXPECT_NEAR(turned.top(), 10, 1);
    // A singular or non-finite transform is refused.
    EXPECT_EQ(box([](EmfWriter& w) {
                  w.setWorldTransform(0, 0, 0, 0, 5, 5).setWorldTransform(NAN, 0, 0, 1, 0, 0);
              }),
              QRect(QPoint(10, 10), QPoint(18, 18)));
}

TEST(EmfMapping, AnisotropicAndSavedStates) {
    EmfWriter w = filled(Qt::red);
    w.saveDc().setMapMode(8).setWindowExt(1000, 1000).setViewportExt(96, 96);
    w.rectangle(500, 500, 1000, 1000);  // 48..96
    w.saveDc().setWorldTransform(0.5f, 0, 0, 0.5f, 0, 0).saveDc();
    w.restoreDc(1);  // back to MM_TEXT, identity
    w.createBrush(2, 0, Qt::blue).select(2).rectangle(0, 0, 20, 20);
    w.restoreDc(-1);  // nothing left: ignored
    w.rectangle(0, 80, 20, 96);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(70, 70), Qt::red));
    EXPECT_TRUE(near(img.pixel(40, 40), Qt::white));
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::blue));
    EXPECT_TRUE(near(img.pixel(10, 90), Qt::blue));
}

TEST(EmfClip, RegionsReplaceCombineAndReset) {
    EmfWriter w = filled(Qt::red);
    w.selectClipRects({QRect(10, 10, 30, 30)}, 5);  // RGN_COPY
    w.selectClipRects({QRect(30, 30, 30, 30)}, 2);  // RGN_OR
    w.rectangle(0, 0, 96, 96);
    w.selectClipRects({}, 5);  // no region: clip off
    w.createBrush(2, 0, Qt::blue).select(2).rectangle(80, 0, 96, 10);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(20, 20), Qt::red));
    EXPECT_TRUE(near(img.pixel(50, 50), Qt::red));
    EXPECT_TRUE(near(img.pixel(20, 50), Qt::white));
    EXPECT_TRUE(near(img.pixel(88, 5), Qt::blue));
}

// Clips and region fills cover what the painter itself fills of the same
// outline (the pixels whose centres lie inside): at the frame's size,
// scaled unevenly, and through a turned painter.
TEST(EmfClip, RegionsCoverWhatThePainterFillsOfTheSameOutline) {
    const QPolygonF star(QPolygon({{48, 4}, {74, 88}, {6, 34}, {90, 34}, {22, 88}}));
    const QTransform turn(std::cos(0.5), std::sin(0.5), -std::sin(0.5), std::cos(0.5), 40, 0);
    auto outline = [](Qt::FillRule rule, auto&&... shapes) {
        QPainterPath path;
        path.setFillRule(rule);
        (path.addPolygon(shapes), ...);
        return path;
    };
    auto clipPath = [](int fillMode, auto&& figures) {
        return [=](EmfWriter& w) {
            w.setPolyFillMode(fillMode).rec(EMR_BEGINPATH, {});
            figures(w);
            w.rec(EMR_ENDPATH, {}).rec(EMR_SELECTCLIPPATH, {5}).rectangle(-10, -10, 200, 200);
        };
    };
    auto starFigure = [&](EmfWriter& w) { w.poly(EMR_POLYGON, star.toPolygon().toList()); };
    QPainterPath ellipseWithHole;
    ellipseWithHole.addEllipse(QRectF(10, 10, 75, 59));  // right and bottom edge left out
    ellipseWithHole.addRect(30, 30, 30, 30);
    struct Case {
        const char* name;
        std::function<void(EmfWriter&)> write;
        QPainterPath covered;
    };
    const Case cases[] = {
        {"star, alternate", clipPath(1, starFigure), outline(Qt::OddEvenFill, star)},
        {"star, winding", clipPath(2, starFigure), outline(Qt::WindingFill, star)},
        {"ellipse with a hole",
         clipPath(1,
                  [](EmfWriter& w) {
                      w.ellipse(10, 10, 86, 70)
                          .poly(EMR_POLYGON, {{30, 30}, {60, 30}, {60, 60}, {30, 60}});
                  }),
         ellipseWithHole},
        {"turned clip rectangle",
         [&](EmfWriter& w) {
             w.setWorldTransform(turn.m11(), turn.m12(), turn.m21(), turn.m22(), 40, 0);
             w.rec(EMR_INTERSECTCLIPRECT, {10, 10, 60, 40});
             w.setWorldTransform(1, 0, 0, 1, 0, 0).rectangle(-10, -10, 200, 200);
         },
         outline(Qt::WindingFill, turn.map(QPolygonF(QRectF(10, 10, 50, 30))))},
        {"turned region fill",
         [&](EmfWriter& w) {
             w.setWorldTransform(turn.m11(), turn.m12(), turn.m21(), turn.m22(), 40, 0);
             test::Bytes fill;
             fill.u32(0).u32(0).u32(0).u32(0).u32(64).u32(1);
             fill.u32(32).u32(1).u32(2).u32(32).u32(0).u32(0).u32(0).u32(0);
             fill.u32(10).u32(10).u32(40).u32(30).u32(10).u32(30).u32(60).u32(50);
             w.raw(EMR_FILLRGN, fill.data());
         },
         outline(Qt::WindingFill, turn.map(QPolygonF(QRectF(10, 10, 30, 20))),
                 turn.map(QPolygonF(QRectF(10, 30, 50, 20))))},
    };
    struct Target {
        const char* name;
        QSize image;
        QRectF rect;
        QTransform painter;
    };
    const Target targets[] = {
        {"frame size", {96, 96}, QRectF(0, 0, 96, 96), {}},
        {"scaled", {61, 83}, QRectF(0, 0, 61, 83), {}},
        {"turned painter",
         {96, 96},
         QRectF(10, 10, 70, 70),
         QTransform().translate(20, -10).rotate(20)},
    };
    for (const Case& c : cases) {
        EmfWriter w = filled(Qt::red);
        c.write(w);
        const Metafile m = Metafile::fromData(w.bytes());
        for (const Target& t : targets) {
            SCOPED_TRACE(std::string(c.name) + ", " + t.name);
            auto canvas = [&](auto&& paint) {
                QImage img(t.image, QImage::Format_ARGB32_Premultiplied);
                img.fill(Qt::white);
                QPainter p(&img);
                p.setTransform(t.painter);
                paint(p);
                return img;
            };
            const QImage played = canvas([&](QPainter& p) { m.play(p, t.rect); });
            const QImage expected = canvas([&](QPainter& p) {
                const QTransform frame(t.rect.width() / 96, 0, 0, t.rect.height() / 96, t.rect.x(),
                                       t.rect.y());
                p.setClipRect(t.rect);
                p.fillPath(frame.map(c.covered), Qt::red);
            });
            EXPECT_LT(test::mismatch(played, expected), 0.004);
            EXPECT_GT(count(played, played.rect(), Qt::red), played.width() * played.height() / 20);
        }
    }
}

TEST(EmfText, ExtTextOutWDrawsItsStringWithAdvances) {
    EmfWriter w;
    w.createFont(1, -20, "DejaVu Sans").select(1).setBkMode(1).setTextColor(Qt::blue);
    w.extTextOutW(5, 5, QStringLiteral("Ab\u00e9"));
    w.extTextOutW(5, 50, QStringLiteral("III"), 0, {30, 30, 30});
    const QImage img = render(w);
    EXPECT_GT(count(img, QRect(0, 0, 96, 40), Qt::blue, 120), 60);
    EXPECT_GT(count(img, QRect(0, 60, 20, 1), Qt::blue, 120), 0);
    EXPECT_GT(count(img, QRect(30, 60, 20, 1), Qt::blue, 120), 0);
    EXPECT_GT(count(img, QRect(60, 60, 20, 1), Qt::blue, 120), 0);
    EXPECT_EQ(count(img, QRect(20, 60, 10, 1), Qt::blue, 120), 0);

    EmfWriter right;
    right.createFont(1, -20, "DejaVu Sans").select(1).setBkMode(1).setTextAlign(2 | 24);
    right.extTextOutW(90, 50, QStringLiteral("HH"));
    const QRect ink = inkBox(render(right));
    EXPECT_NEAR(ink.right(), 90, 3);
    EXPECT_NEAR(ink.bottom(), 49, 1);
}

TEST(EmfBitmaps, StretchDiBitsBitBltStretchBltAndAlphaBlend) {
    QImage quad(2, 2, QImage::Format_RGB32);
    quad.setPixel(0, 0, qRgb(255, 0, 0));
    quad.setPixel(1, 0, qRgb(0, 255, 0));
    quad.setPixel(0, 1, qRgb(0, 0, 255));
    quad.setPixel(1, 1, qRgb(255, 255, 0));
    EmfWriter w;
    w.stretchDiBits(QRect(0, 0, 40, 40), QRect(0, 0, 2, 2), dib(quad, 8), 8);
    w.bitBlt(QRect(50, 0, 2, 2), QPoint(0, 0), dib(quad), 24);
    w.bitBlt(QRect(50, 50, 40, 40), QPoint(0, 0), dib(quad), 24, 0x00CC0020, QSize(2, 2));
    w.createBrush(1, 0, Qt::magenta).select(1);
    w.bitBlt(QRect(0, 50, 20, 20), QPoint(), {}, 0, 0x00F00021);  // PATCOPY, no source
    QImage red(1, 1, QImage::Format_RGB32);
    red.fill(Qt::red);
    w.alphaBlend(QRect(0, 80, 40, 16), dib(red), 24, QSize(1, 1), 128);
    const QImage img = render(w);
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::red));
    EXPECT_TRUE(near(img.pixel(30, 30), Qt::yellow));
    EXPECT_TRUE(near(img.pixel(51, 0), Qt::green));
    EXPECT_TRUE(near(img.pixel(50, 1), Qt::blue));
    EXPECT_TRUE(near(img.pixel(80, 60), Qt::green));
    EXPECT_TRUE(near(img.pixel(60, 80), Qt::blue));
    EXPECT_TRUE(near(img.pixel(10, 60), Qt::magenta));
    EXPECT_TRUE(near(img.pixel(20, 88), QColor(255, 127, 127), 12));
}

}  // namespace
}  // namespace lumora

// Damaged and malicious metafiles: none may crash, hang, allocate what the
// file cannot justify, or spoil what comes before the damage.

#include "metafile/metafile.h"
#include "metafile/metafile_gdi.h"
#include "metafile_writer.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <climits>

namespace lumora {
namespace {

using test::Bytes;
using test::EmfWriter;
using test::near;
using test::WmfWriter;

constexpr qint64 kStockNullPen = 0x80000008;

QImage play(const QByteArray& bytes, QSize size = {100, 100}) {
    const Metafile m = Metafile::fromData(bytes);
    EXPECT_FALSE(m.isNull());
    return m.toImage(size);
}

WmfWriter redPainter() {
    WmfWriter w;
    w.createPen(5, 0, Qt::black).select(0).createBrush(0, Qt::red).select(1);
    return w;
}

TEST(HostileWmf, BadRecordLengthsEndThePictureThere) {
    for (quint32 words : {0u, 1u, 2u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(words);
        WmfWriter w = redPainter();
        w.rectangle(0, 0, 50, 50);
        QByteArray bytes = w.placeable(0, 0, 100, 100, 96);
        // The damaged record, then a good one that must not be reached.
        Bytes bad;
        bad.u32(words).u16(0x041B).u16(100).u16(100).u16(50).u16(50);
        bad.bytes(WmfWriter().rectangle(50, 50, 100, 100).plain().mid(18, 14));
        bytes.insert(bytes.size() - 6, bad.data());  // before the end record
        const QImage img = play(bytes);
        EXPECT_TRUE(near(img.pixel(25, 25), Qt::red));
        EXPECT_TRUE(near(img.pixel(75, 75), Qt::white));
    }
    // A file cut in the middle of a record keeps what came before.
    QByteArray cut = redPainter()
                         .rectangle(0, 0, 50, 50)
                         .rectangle(50, 50, 100, 100)
                         .placeable(0, 0, 100, 100, 96);
    cut.chop(10);
    const QImage img = play(cut);
    EXPECT_TRUE(near(img.pixel(25, 25), Qt::red));
    EXPECT_TRUE(near(img.pixel(75, 75), Qt::white));
}

TEST(HostileWmf, CountsThatClaimMoreThanTheRecordHoldsAreSkipped) {
    WmfWriter w = redPainter();
    w.rec(0x0324, {30000, 0, 0, 100, 0});                    // polygon of 30000 points
    w.rec(0x0538, {65535, 3, 3});                            // poly-polygon counts
    w.rec(0x0538, {2, 65535, 65535, 0, 0, 10, 10});          // points per polygon
    w.rec(0x0521, {32767, 0x4141});                          // text longer than the record
    w.rec(0x0A32, {0, 0, 32767, 6, 0, 0});                   // same, with options
    w.rec(0x02FB, {-20});                                    // truncated font
    w.rec(0x06FF, {0, 6, 0, 0, 0, 30000, 0, 0, 0, 10, 10});  // region of 30000 scans
    w.rectangle(0, 0, 100, 100);
    const QImage img = play(w.placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(near(img.pixel(50, 50), Qt::red));
}

TEST(HostileWmf, ObjectIndicesAndSavedStatesOutOfRange) {
    WmfWriter w = redPainter();
    w.select(65535).deleteObject(65535).deleteObject(0).deleteObject(0).select(40000);
    for (int i = 0; i < 3000; ++i)
        w.saveDc();
    w.restoreDc(-32768).restoreDc(32767).restoreDc(1);
    w.rec(0x012C, {9999});  // select clip region: no such region, clip reset
    w.rectangle(0, 0, 100, 100);
    const QImage img = play(w.placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(near(img.pixel(50, 50), Qt::red));
}

TEST(HostileWmf, ZeroExtentsAndDenominatorsDoNotDivide) {
    WmfWriter w = redPainter();
    w.setMapMode(8).setWindowExt(0, 100).setViewportExt(100, 0);
    w.scaleWindowExt(0, 1, 1, 0).scaleViewportExt(1, 0, 0, 1).scaleWindowExt(0, 5, 0, 5);
    w.setMapMode(7).setWindowExt(0, 0);
    w.rectangle(0, 0, 100, 100);
    const QImage img = play(w.placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(near(img.pixel(50, 50), Qt::red));
}

TEST(HostileWmf, HugeBoundsAreClampedToTheLargestSide) {
    const Metafile m = Metafile::fromData(WmfWriter().placeable(-32768, -32768, 32767, 0, 1));
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.size().width(), Metafile::maxSide());
    EXPECT_EQ(m.size().height(), Metafile::maxSide() / 2);
    // Empty bounds of a placeable file: the size comes from the drawing.
    WmfWriter w = redPainter();
    w.rectangle(0, 0, 96, 48);
    EXPECT_EQ(Metafile::fromData(w.placeable(0, 0, 0, 0, 96)).size(), QSize(95, 47));
}

QByteArray dibHeader(qint32 width, qint32 height, int bpp, quint32 compression = 0,
                     quint32 colours = 0) {
    Bytes b;
    b.u32(40).u32(width).u32(height).u16(1).u16(bpp).u32(compression).u32(0).u32(0).u32(0);
    b.u32(colours).u32(0);
    return b.data();
}

TEST(HostileWmf, BitmapsLargerThanTheirRecordAreRefused) {
    const QList<QByteArray> dibs = {
        dibHeader(3000, 3000, 24) + QByteArray(10, '\xff'),         // bits too short
        dibHeader(1 << 20, 1 << 20, 1) + QByteArray(64, '\xff'),    // absurd size
        dibHeader(-5, 5, 24) + QByteArray(100, '\xff'),             // negative width
        dibHeader(4, 4, 8, 0, 0x7FFFFFFF),                          // colour table too big
        dibHeader(4, 4, 7) + QByteArray(64, '\0'),                  // no such depth
        dibHeader(30000, 30000, 8, 1) + QByteArray("\x00\x01", 2),  // RLE claims too much
        dibHeader(16, 16, 4, 1) + QByteArray(512, '\x10'),          // RLE8 on 4 bits
        QByteArray("\x0c\x00\x00\x00", 4),                          // core header cut off
    };
    for (const QByteArray& packed : dibs) {
        WmfWriter w = redPainter();
        w.rectangle(0, 0, 100, 100);
        w.stretchDib(QRect(0, 0, 100, 100), QRect(0, 0, 4, 4), packed);
        w.dibStretchBlt(QRect(0, 0, 100, 100), QRect(0, 0, 4, 4), packed);
        w.dibPatternBrush(packed).select(2).rectangle(0, 0, 100, 100);
        const QImage img = play(w.placeable(0, 0, 100, 100, 96));
        EXPECT_TRUE(near(img.pixel(50, 50), Qt::red));
    }
}

TEST(HostileWmf, RleRunsStayInsideTheirBitmap) {
    // A run past the line end, a delta, a run outside the bitmap, an end of
    // line and an absolute run longer than the data.
    Bytes bits;
    bits.u8(200).u8(1).u8(0).u8(2).u8(1).u8(1).u8(3).u8(2).u8(0).u8(0);
    bits.u8(0).u8(40).u8(1).u8(2);
    Bytes table;
    table.u32(0x00FF0000).u32(0x000000FF).u32(0x0000FF00);
    for (int i = 3; i < 256; ++i)
        table.u32(0);
    const QByteArray packed = dibHeader(4, 4, 8, 1) + table.data() + bits.data();
    WmfWriter w;
    w.stretchDib(QRect(0, 0, 100, 100), QRect(0, 0, 4, 4), packed);
    const QImage img = play(w.placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(near(img.pixel(10, 90), Qt::blue));   // bottom row, index 1
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::white));  // skipped pixels stay untouched
}

TEST(HostileWmf, WorkPerPlayIsBoundedAndScalesWithTheTarget) {
    // Many full-picture fills: a small target draws them all, a large one
    // stops before the last record.
    WmfWriter w = redPainter();
    for (int i = 0; i < 70000; ++i)
        w.rectangle(0, 0, 100, 100);
    w.createBrush(0, Qt::green).select(2).rectangle(0, 0, 100, 100);
    const Metafile m = Metafile::fromData(w.placeable(0, 0, 100, 100, 96));
    EXPECT_TRUE(near(m.toImage({10, 10}).pixel(5, 5), Qt::green));
    EXPECT_TRUE(near(m.toImage({100, 100}).pixel(50, 50), Qt::red));
}

TEST(HostileEmf, BadRecordLengthsEndThePictureThere) {
    for (quint32 size : {0u, 4u, 7u, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(size);
        EmfWriter w;
        w.select(kStockNullPen).createBrush(1, 0, Qt::red).select(1).rectangle(0, 0, 48, 48);
        QByteArray bytes = w.bytes();
        Bytes bad;
        bad.u32(43).u32(size).u32(0).u32(48).u32(48).u32(96);
        bad.u32(43).u32(24).u32(48).u32(48).u32(96).u32(96);  // not to be reached
        bytes.insert(bytes.size() - 20, bad.data());
        const QImage img = play(bytes, {96, 96});
        EXPECT_TRUE(near(img.pixel(20, 20), Qt::red));
        EXPECT_TRUE(near(img.pixel(70, 70), Qt::white));
    }
    // Sizes that are not a multiple of four still walk the records.
    EmfWriter odd;
    odd.select(kStockNullPen).createBrush(1, 0, Qt::red).select(1);
    QByteArray bytes = odd.bytes();
    Bytes rect;
    rect.u32(43).u32(25).u32(0).u32(0).u32(96).u32(96).u8(0);
    bytes.insert(bytes.size() - 20, rect.data());
    EXPECT_TRUE(near(play(bytes, {96, 96}).pixel(50, 50), Qt::red));
}

TEST(HostileEmf, AbsurdCountsOffsetsAndIndices) {
    EmfWriter w;
    w.select(kStockNullPen).createBrush(1, 0, Qt::red).select(1);
    w.rec(3, {0, 0, 0, 0, 0xFFFFFFFF, 1, 1});                  // polygon
    w.rec(8, {0, 0, 0, 0, 0x40000000, 0x40000000, 5});         // poly-polygon
    w.rec(8, {0, 0, 0, 0, 2, 2, 0xFFFFFFFF, 3, 0, 0, 5, 5});   // counts past the total
    w.rec(56, {0, 0, 0, 0, 3, 0, 0, 5, 5, 9, 9, 0x00FF0202});  // polydraw, bad types
    w.rec(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 0x7FFFFFFF, 76, 0, 0, 0, 0, 0, 0});  // text
    w.rec(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 3, 0xFFFFFFF0, 0, 0, 0, 0, 0, 0x7FFFFFFF});
    w.rec(81, {0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 0xFFFFFF00, 400, 0x7FFFFFFF, 64, 0, 0x00CC0020, 96,
               96});                                               // bitmap outside record
    w.rec(75, {0xFFFFFFF0, 1});                                    // clip region size
    w.rec(38, {0xFFFFFFFF, 0, 1, 0, 0}).rec(38, {0, 0, 1, 0, 0});  // pens at bad indices
    w.select(0x7FFFFFFF).select(0x8000FFFF).deleteObject(0xFFFFFFFF);
    w.restoreDc(INT_MIN).restoreDc(INT_MAX).restoreDc(0);
    w.rec(36, {0, 0, 0, 0, 0, 0, 7});  // unknown transform mode
    w.rec(9, {0, 0}).setMapMode(8).setWindowExt(0, 5).setViewportExt(5, 0);
    w.rec(31, {1, 0, 1, 0}).rec(32, {0, 0, 0, 0});            // scaling by x/0
    w.rec(41, {10, 10, 0xFFFFFFFF, 0x7F800000, 0x7FC00000});  // angle arc: inf, NaN
    w.rec(9999, {1, 2, 3});                                   // unknown record
    w.setMapMode(1).rectangle(0, 0, 96, 96);
    const QImage img = play(w.bytes(), {96, 96});
    EXPECT_TRUE(near(img.pixel(48, 48), Qt::red));
}

TEST(HostileEmf, ClipPathsFarPastThePictureStillClipRight) {
    // A band two million pixels tall: its region is built only near the
    // picture (a polygon region that tall leaks inside Qt 6.4).
    EmfWriter w;
    w.select(kStockNullPen).createBrush(1, 0, Qt::red).select(1);
    w.rec(59, {}).moveTo(10, -1000000).lineTo(40, -1000000).lineTo(41, 1000000);
    w.lineTo(9, 1000000).rec(61, {}).rec(60, {}).rec(67, {5});
    w.rectangle(0, 0, 96, 96);
    const QImage img = play(w.bytes(), {96, 96});
    EXPECT_TRUE(near(img.pixel(25, 5), Qt::red));
    EXPECT_TRUE(near(img.pixel(25, 90), Qt::red));
    EXPECT_TRUE(near(img.pixel(60, 50), Qt::white));
    EXPECT_TRUE(near(img.pixel(5, 50), Qt::white));
}

// Found by the fuzzer: a header claiming a frame 96 pixels wide and 1.5
// million hundredths of a millimetre tall, and a clip path whose sliver runs
// from the top of the picture far out to the right. Its region once grew
// to 24,000 rows, one rectangle each, and took the fuzz target 80 s.
const QByteArray kTallFrameClipPath = QByteArray::fromBase64(
    "AQAAAFgAAAAAAAAAAAAAAF8AAABfAAAAAAAAAAAAAADsCQAA7AkXACBFTUYAAAEASAIAABsAAIAQAAAAAAAAAAAA"
    "AAAAAAAAwAMAAMADAAD+AAAA/gAAADsAAAAIAAAAGwAAABAAAAAKAAAACgAAADYAAAAQAAAAUAAAAAoAAAA2AAAA"
    "EAAAAC1zdHlsZWxhbmcAAAgAAAA8AAAACAAAAEMAAAAMAAAABQAAACcAAAAYAAAAAQAAAAIAAAAAAP8AAwAAACUA"
    "AAAMwAMAAP4AAAD+AAAY//////////4AAAAAAAAAACkAAAAeAAAkAAAQJAAAAAAAAEAACQAAAAAAAAAAAHRydWV0"
    "eXBlLQAAABAAAAAUAAAA");

TEST(HostileEmf, ClipRegionsStayTheSizeOfWhatIsDrawnNotOfTheClaimedFrame) {
    mf::MetafileData data;
    data.bytes = kTallFrameClipPath;
    ASSERT_TRUE(mf::readEmfHeader(data));
    const QSize natural = Metafile::fromData(data.bytes).size();
    ASSERT_EQ(natural.height(), Metafile::maxSide());
    struct Use {
        const char* name;
        QSize device;
        QRectF target;
    };
    // The preview paints the natural size into its view; the full-screen
    // viewer and Save To Bmp render the natural size; the fuzz target draws
    // 48 x 48, where the sliver (the first 60 of 57,000 rows) is thinner
    // than a pixel row.
    for (const Use& use : {Use{"preview", {640, 480}, QRectF(QPointF(0, 0), natural)},
                           Use{"natural size", natural, QRectF(QPointF(0, 0), natural)},
                           Use{"small", {48, 48}, QRectF(0, 0, 48, 48)}}) {
        SCOPED_TRACE(use.name);
        QImage image(use.device, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        mf::Budget budget;
        mf::Player player(&painter, use.target, data, budget);
        mf::playEmf(data, player);
        EXPECT_FALSE(budget.exhausted());
        ASSERT_TRUE(player.dc().clip.has_value());
        const QRegion clip = *player.dc().clip;
        if (use.target.height() < 100) {
            EXPECT_TRUE(clip.isEmpty());
            continue;
        }
        // One rectangle a row while the sliver crosses the visible width
        // and its margin: tens of rows, not the claimed frame's thousands.
        const int across = std::min(use.device.width(), int(use.target.width()));
        EXPECT_GT(clip.rectCount(), 0);
        EXPECT_LT(clip.rectCount(), 3 * across + 8);
        // Still the sliver: at device y 33 it spans x 39..109 of the frame.
        const QTransform toPixels = QTransform::fromScale(
            use.target.width() / data.frame.width(), use.target.height() / data.frame.height());
        EXPECT_TRUE(clip.contains(toPixels.map(QPointF(60, 33)).toPoint()));
        EXPECT_FALSE(clip.contains(toPixels.map(QPointF(20, 33)).toPoint()));
    }
}

TEST(HostileEmf, HugeCoordinatesAndTransformsDrawNothingAbsurd) {
    EmfWriter w;
    w.select(kStockNullPen).createBrush(1, 0, Qt::red).select(1);
    w.setWorldTransform(1e30f, 0, 0, 1e30f, 0, 0).rectangle(0, 0, 10, 10);
    w.setWorldTransform(1, 0, 0, 1, 0, 0);
    w.rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    w.createPen(2, 0, INT_MAX, Qt::blue).select(2).moveTo(INT_MIN, 0).lineTo(INT_MAX, 96);
    w.select(kStockNullPen).createBrush(3, 0, Qt::green).select(3).rectangle(0, 0, 20, 20);
    const QImage img = play(w.bytes(), {96, 96});
    EXPECT_TRUE(near(img.pixel(10, 10), Qt::green));
}

}  // namespace
}  // namespace lumora

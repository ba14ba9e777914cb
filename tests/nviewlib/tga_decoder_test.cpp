#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

struct MagickTga {
    const char* name;
    QStringList options;
    bool alpha;
    int type, depth, origin;  // image type, bits per pixel, descriptor bits 4-5
};

const std::vector<MagickTga>& magickTgas() {
    static const std::vector<MagickTga> all = {
        {"rgb24", {"-type", "truecolor"}, false, 2, 24, 0x00},
        {"rgb24-rle", {"-type", "truecolor", "-compress", "RLE"}, false, 10, 24, 0x00},
        {"argb32", {}, true, 2, 32, 0x00},
        {"argb32-rle", {"-compress", "RLE"}, true, 10, 32, 0x00},
        {"mapped", {"-colors", "100", "-type", "palette"}, false, 1, 8, 0x00},
        {"mapped-rle", {"-colors", "100", "-type", "palette", "-compress", "RLE"}, false, 9, 8, 0},
        {"grey", {"-type", "grayscale"}, false, 3, 8, 0x00},
        {"grey-rle", {"-type", "grayscale", "-compress", "RLE"}, false, 11, 8, 0x00},
        {"top-left", {"-type", "truecolor", "-orient", "TopLeft"}, false, 2, 24, 0x20},
        {"top-left-rle",
         {"-type", "truecolor", "-orient", "TopLeft", "-compress", "RLE"},
         false,
         10,
         24,
         0x20},
        {"top-right", {"-type", "truecolor", "-orient", "TopRight"}, false, 2, 24, 0x30},
        {"bottom-right", {"-type", "truecolor", "-orient", "BottomRight"}, false, 2, 24, 0x10},
    };
    return all;
}

QString makeMagickTga(const MagickTga& v) {
    const QString out = scratch(QStringLiteral("%1.tga").arg(QLatin1String(v.name)));
    if (!QFile::exists(out)) {
        QStringList args = {sourcePicture(v.alpha)};
        args << v.options << out;
        EXPECT_TRUE(convert(args));
    }
    return out;
}

// ImageMagick keeps a TGA's rows in stored order and records the origin as
// the picture's orientation, so its reference decode needs -auto-orient
// (done by expectSameAsMagick); the hand-made files below check the origins
// against known pixels without ImageMagick.
TEST(TgaDecoder, EveryMagickVariantDecodesLikeMagick) {
    for (const MagickTga& v : magickTgas()) {
        SCOPED_TRACE(v.name);
        const QString path = makeMagickTga(v);
        const QByteArray d = readFile(path);
        ASSERT_GT(d.size(), 18);
        EXPECT_EQ(int(d[2]), v.type);
        EXPECT_EQ(int(d[16]), v.depth);
        EXPECT_EQ(int(d[17]) & 0x30, v.origin);
        const QImage image = decodeTga(d);
        expectSameAsMagick(image, path);
        EXPECT_EQ(image.hasAlphaChannel(), v.alpha);
        EXPECT_EQ(NViewLibLoad(path, 1), image);
    }
}

QByteArray tga(int type, int width, int height, int depth, int descriptor, const QByteArray& pixels,
               int mapFirst = 0, int mapLength = 0, int mapDepth = 0, const QByteArray& map = {}) {
    Bytes b;
    b.u8(3).u8(mapLength ? 1 : 0).u8(type).u16(mapFirst).u16(mapLength).u8(mapDepth);
    b.u16(0).u16(0).u16(width).u16(height).u8(depth).u8(descriptor);
    b.raw("abc");  // image id
    return b.raw(map).raw(pixels).d;
}

TEST(TgaDecoder, FifteenAndSixteenBitPixels) {
    // 2 x 1, top-left origin: white with the attribute bit set, and
    // red 16 / green 1 / blue 31 without it.
    const QByteArray px = Bytes().u16(0xffff).u16(16 << 10 | 1 << 5 | 31).d;
    const QImage withAlpha = decodeTga(tga(2, 2, 1, 16, 0x20 | 1, px));
    EXPECT_EQ(pixelsOf(withAlpha), (Pixels{{qRgba(255, 255, 255, 255), qRgba(132, 8, 255, 0)}}));
    // No alpha bits in the descriptor: the attribute bit means nothing.
    const QImage opaque = decodeTga(tga(2, 2, 1, 16, 0x20, px));
    EXPECT_FALSE(opaque.hasAlphaChannel());
    EXPECT_EQ(pixelsOf(opaque), (Pixels{{qRgb(255, 255, 255), qRgb(132, 8, 255)}}));
    EXPECT_EQ(pixelsOf(decodeTga(tga(2, 2, 1, 15, 0x20, px))), pixelsOf(opaque));
    // The same pixels run-length encoded: one run of 2, bottom-left origin, 2 rows.
    const QImage rle =
        decodeTga(tga(10, 1, 2, 16, 0, QByteArray::fromHex("81") + Bytes().u16(0x7c00).d));
    EXPECT_EQ(pixelsOf(rle), (Pixels{{qRgb(255, 0, 0)}, {qRgb(255, 0, 0)}}));
}

TEST(TgaDecoder, OriginsAndRunsAcrossRows) {
    // 3 x 2 grey, stored rows "1 2 3" then "4 5 6".
    const QByteArray rows = QByteArray::fromHex("010203040506");
    auto grey = [](std::vector<int> v) {
        std::vector<QRgb> row;
        for (int g : v)
            row.push_back(qRgb(g, g, g));
        return row;
    };
    EXPECT_EQ(pixelsOf(decodeTga(tga(3, 3, 2, 8, 0x00, rows))),
              (Pixels{grey({4, 5, 6}), grey({1, 2, 3})}));
    EXPECT_EQ(pixelsOf(decodeTga(tga(3, 3, 2, 8, 0x20, rows))),
              (Pixels{grey({1, 2, 3}), grey({4, 5, 6})}));
    EXPECT_EQ(pixelsOf(decodeTga(tga(3, 3, 2, 8, 0x30, rows))),
              (Pixels{grey({3, 2, 1}), grey({6, 5, 4})}));
    EXPECT_EQ(pixelsOf(decodeTga(tga(3, 3, 2, 8, 0x10, rows))),
              (Pixels{grey({6, 5, 4}), grey({3, 2, 1})}));
    // RLE: a run of 4 crosses from the first stored row into the second.
    const QByteArray packets = QByteArray::fromHex(
        "8309"
        "0107 08");
    EXPECT_EQ(pixelsOf(decodeTga(tga(11, 3, 2, 8, 0x20, packets))),
              (Pixels{grey({9, 9, 9}), grey({9, 7, 8})}));
}

TEST(TgaDecoder, ColourMapWithFirstEntryAndTrueColourWithoutAlphaBits) {
    // Map entries 5..7 (24 bit), 8-bit indices.
    const QByteArray map = QByteArray::fromHex(
        "0000ff"
        "00ff00"
        "ff0000");
    const QImage mapped =
        decodeTga(tga(1, 3, 1, 8, 0x20, QByteArray::fromHex("070605"), 5, 3, 24, map));
    EXPECT_EQ(pixelsOf(mapped), (Pixels{{qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 0, 0)}}));
    // A 32-bit picture whose descriptor claims no alpha bits is opaque.
    const QImage rgb = decodeTga(tga(2, 1, 1, 32, 0x20, QByteArray::fromHex("10203000")));
    EXPECT_FALSE(rgb.hasAlphaChannel());
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
}

TEST(TgaDecoder, TruncatedFilesGiveNull) {
    for (const MagickTga& v : magickTgas()) {
        const QByteArray full = readFile(makeMagickTga(v));
        // IM appends a footer; cut into the pixels (or packets) themselves.
        for (qsizetype cut : {qsizetype(0), qsizetype(10), qsizetype(17), qsizetype(30),
                              full.size() / 2, full.size() * 9 / 10 - 100})
            EXPECT_TRUE(decodeTga(full.left(cut)).isNull()) << v.name << " cut at " << cut;
    }
}

TEST(TgaDecoder, HostileHeadersGiveNull) {
    const QByteArray few = QByteArray::fromHex("0102030405060708");
    // Declared sizes far beyond the data, raw and RLE.
    EXPECT_TRUE(decodeTga(tga(2, 65535, 65535, 24, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(tga(10, 65535, 65535, 24, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(tga(11, 10000, 10000, 8, 0, QByteArray::fromHex("ff00ff00"))).isNull());
    // Zero sizes.
    EXPECT_TRUE(decodeTga(tga(3, 0, 2, 8, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(tga(3, 2, 0, 8, 0, few)).isNull());
    // Indices outside the colour map (entries 5..7).
    const QByteArray map = QByteArray::fromHex(
        "0000ff"
        "00ff00"
        "ff0000");
    EXPECT_TRUE(
        decodeTga(tga(1, 3, 1, 8, 0, QByteArray::fromHex("050608"), 5, 3, 24, map)).isNull());
    EXPECT_TRUE(
        decodeTga(tga(1, 3, 1, 8, 0, QByteArray::fromHex("040506"), 5, 3, 24, map)).isNull());
    EXPECT_TRUE(decodeTga(tga(9, 3, 1, 8, 0, QByteArray::fromHex("82ff"), 5, 3, 24, map)).isNull());
    // A colour map longer than the file; a mapped picture without a map.
    EXPECT_TRUE(decodeTga(tga(1, 1, 1, 8, 0, few, 0, 60000, 24, map)).isNull());
    EXPECT_TRUE(decodeTga(tga(1, 2, 2, 8, 0, few)).isNull());
    // RLE packets past the end of the picture, or missing their pixel.
    EXPECT_TRUE(decodeTga(tga(11, 2, 2, 8, 0, QByteArray::fromHex("8401"))).isNull());
    EXPECT_TRUE(decodeTga(tga(11, 2, 2, 8, 0, QByteArray::fromHex("0401020304ff"))).isNull());
    EXPECT_TRUE(decodeTga(tga(11, 2, 2, 8, 0, QByteArray::fromHex("83"))).isNull());
    // Depths and types we do not know.
    EXPECT_TRUE(decodeTga(tga(2, 1, 1, 12, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(tga(3, 1, 1, 16, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(tga(32, 1, 1, 8, 0, few)).isNull());
    EXPECT_TRUE(decodeTga(QByteArray(17, '\0')).isNull());
}

}  // namespace
}  // namespace lumora::test

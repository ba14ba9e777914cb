#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

struct MagickPcx {
    const char* name;
    QStringList options;
    bool alpha;
    int bits, planes;
};

// ImageMagick writes PCX only with 8 bits per plane: one plane with the
// 256-colour palette at the end, three for RGB, four for RGBA.
const std::vector<MagickPcx>& magickPcxs() {
    static const std::vector<MagickPcx> all = {
        {"pal256", {"-colors", "200", "-type", "palette"}, false, 8, 1},
        {"pal16", {"-colors", "16", "-type", "palette"}, false, 8, 1},
        {"rgb", {"-type", "truecolor"}, false, 8, 3},
        {"grey", {"-type", "grayscale"}, false, 8, 3},
        {"rgba", {}, true, 8, 4},
    };
    return all;
}

QString makeMagickPcx(const MagickPcx& v) {
    const QString out = scratch(QStringLiteral("%1.pcx").arg(QLatin1String(v.name)));
    if (!QFile::exists(out)) {
        QStringList args = {sourcePicture(v.alpha)};
        args << v.options << out;
        EXPECT_TRUE(convert(args));
    }
    return out;
}

TEST(PcxDecoder, EveryMagickVariantDecodesLikeMagick) {
    for (const MagickPcx& v : magickPcxs()) {
        SCOPED_TRACE(v.name);
        const QString path = makeMagickPcx(v);
        const QByteArray d = readFile(path);
        ASSERT_GT(d.size(), 128);
        EXPECT_EQ(int(d[2]), 1);  // RLE
        EXPECT_EQ(int(d[3]), v.bits);
        EXPECT_EQ(int(d[65]), v.planes);
        if (v.planes == 1) {
            EXPECT_EQ(int(d[d.size() - 769]), 0x0c);
        }
        const QImage image = decodePcx(d);
        expectSameAsMagick(image, path);
        EXPECT_EQ(image.hasAlphaChannel(), v.alpha);
        EXPECT_EQ(NViewLibLoad(path, 0), image);
    }
}

// A PCX header; palette holds up to 16 header colours.
QByteArray pcx(int bits, int planes, int width, int height, int bytesPerLine,
               const std::vector<QRgb>& palette, const QByteArray& data, int encoding = 1,
               int version = 5) {
    Bytes b;
    b.u8(0x0a).u8(version).u8(encoding).u8(bits).u16(0).u16(0).u16(width - 1).u16(height - 1);
    b.u16(72).u16(72);
    for (int i = 0; i < 16; ++i) {
        const QRgb c = i < int(palette.size()) ? palette[size_t(i)] : 0;
        b.u8(qRed(c)).u8(qGreen(c)).u8(qBlue(c));
    }
    b.u8(0).u8(planes).u16(bytesPerLine).u16(1).zeros(58);
    return b.raw(data).d;
}

const std::vector<QRgb> kColours = {
    qRgb(10, 20, 30),    qRgb(200, 0, 0),   qRgb(0, 200, 0),   qRgb(0, 0, 200),
    qRgb(200, 200, 0),   qRgb(0, 200, 200), qRgb(200, 0, 200), qRgb(90, 90, 90),
    qRgb(250, 250, 250), qRgb(1, 2, 3),     qRgb(4, 5, 6),     qRgb(7, 8, 9),
    qRgb(11, 12, 13),    qRgb(14, 15, 16),  qRgb(17, 18, 19),  qRgb(21, 22, 23)};

Pixels colours(const std::vector<std::vector<int>>& rows) {
    Pixels out;
    for (const auto& r : rows) {
        out.emplace_back();
        for (int i : r)
            out.back().push_back(kColours[size_t(i)]);
    }
    return out;
}

TEST(PcxDecoder, MonochromeAndHeaderPalettes) {
    // 1 bit, 10 pixels: 1011001110 (bytes b3 80), one line.
    const QByteArray line = QByteArray::fromHex("b380");
    const std::vector<int> bitsRow = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0};
    // An unfilled header palette (both colours equal) means black and white.
    Pixels bw(1);
    for (int b : bitsRow)
        bw[0].push_back(b ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    EXPECT_EQ(pixelsOf(decodePcx(pcx(1, 1, 10, 1, 2, {}, line))), bw);
    // A filled one is used.
    EXPECT_EQ(pixelsOf(decodePcx(pcx(1, 1, 10, 1, 2, kColours, line))), colours({bitsRow}));

    // 2 bit (CGA), 5 pixels 0 1 2 3 1 = 00 01 10 11 | 01 000000.
    EXPECT_EQ(pixelsOf(decodePcx(pcx(2, 1, 5, 1, 2, kColours, QByteArray::fromHex("1b40")))),
              colours({{0, 1, 2, 3, 1}}));
    // 4 bit, one plane: 3 pixels 15 0 9 (0xf0 needs a run of one).
    EXPECT_EQ(pixelsOf(decodePcx(pcx(4, 1, 3, 1, 2, kColours, QByteArray::fromHex("c1f090")))),
              colours({{15, 0, 9}}));
}

TEST(PcxDecoder, BitPlanes) {
    // 1 bit in 4 planes (EGA), 4 pixels: plane n holds bit n of each index.
    // Indices 1 2 12 15: plane0 1001, plane1 0101, plane2 0011, plane3 0011.
    const QByteArray planes4 = QByteArray::fromHex(
        "9000"
        "5000"
        "3000"
        "3000");
    EXPECT_EQ(pixelsOf(decodePcx(pcx(1, 4, 4, 1, 2, kColours, planes4))),
              colours({{1, 2, 12, 15}}));
    // Three planes, eight colours: indices 7 0 5.
    const QByteArray planes3 = QByteArray::fromHex(
        "a000"
        "8000"
        "a000");
    EXPECT_EQ(pixelsOf(decodePcx(pcx(1, 3, 3, 1, 2, kColours, planes3))), colours({{7, 0, 5}}));
}

TEST(PcxDecoder, RunsAcrossLinesRawDataAndMissingPalette) {
    // 8 bit, 2 x 2, bytes per line 2; one run of 3 covers line 1 and half of
    // line 2. The 256-colour palette at the end: entry n is (n, 255 - n, 1).
    const QByteArray data = QByteArray::fromHex(
        "c340"
        "07");
    Bytes palette;
    palette.u8(0x0c);
    for (int n = 0; n < 256; ++n)
        palette.u8(n).u8(255 - n).u8(1);
    auto entry = [](int n) { return qRgb(n, 255 - n, 1); };
    EXPECT_EQ(pixelsOf(decodePcx(pcx(8, 1, 2, 2, 2, {}, data + palette.d))),
              (Pixels{{entry(0x40), entry(0x40)}, {entry(0x40), entry(7)}}));
    // Without it: a version 5 file has lost its end, an older one is grey.
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2, 2, 2, {}, data)).isNull());
    const QByteArray old = pcx(8, 1, 2, 2, 2, {}, data, 1, 3);
    auto grey = [](int g) { return qRgb(g, g, g); };
    EXPECT_EQ(pixelsOf(decodePcx(old)), (Pixels{{grey(0x40), grey(0x40)}, {grey(0x40), grey(7)}}));
    // Uncompressed (encoding 0), 24 bit in three planes; bytes >= 0xc0 are plain.
    const QByteArray raw = QByteArray::fromHex(
        "ff10"
        "c020"
        "d030");
    EXPECT_EQ(pixelsOf(decodePcx(pcx(8, 3, 2, 1, 2, {}, raw, 0))),
              (Pixels{{qRgb(0xff, 0xc0, 0xd0), qRgb(0x10, 0x20, 0x30)}}));
    // The same through RLE, with a run of one for each byte >= 0xc0.
    const QByteArray rle = QByteArray::fromHex(
        "c1ff10"
        "c1c020"
        "c1d030");
    EXPECT_EQ(pixelsOf(decodePcx(pcx(8, 3, 2, 1, 2, {}, rle))),
              (Pixels{{qRgb(0xff, 0xc0, 0xd0), qRgb(0x10, 0x20, 0x30)}}));
}

TEST(PcxDecoder, TruncatedFilesGiveNull) {
    for (const MagickPcx& v : magickPcxs()) {
        const QByteArray full = readFile(makeMagickPcx(v));
        for (qsizetype cut :
             {qsizetype(0), qsizetype(64), qsizetype(127), qsizetype(200), full.size() / 2})
            EXPECT_TRUE(decodePcx(full.left(cut)).isNull()) << v.name << " cut at " << cut;
    }
    // Cutting the palette off an 8-bit file leaves data that ends too soon.
    const QByteArray pal = readFile(makeMagickPcx(magickPcxs()[0]));
    EXPECT_TRUE(decodePcx(pal.left(pal.size() - 769 - 50)).isNull());
}

TEST(PcxDecoder, HostileHeadersGiveNull) {
    const QByteArray few = QByteArray::fromHex("c1ffc1ff0102");
    // Declared sizes far beyond the data, RLE and raw.
    EXPECT_TRUE(decodePcx(pcx(8, 3, 65535, 65535, 65535, {}, few)).isNull());
    EXPECT_TRUE(decodePcx(pcx(8, 1, 20000, 10000, 20000, {}, few)).isNull());
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2000, 100, 2000, {}, few, 0)).isNull());
    // bytes per line far beyond the width, with too little data for it.
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2, 2, 65534, {}, few)).isNull());
    // bytes per line too small for the width; an inverted window.
    EXPECT_TRUE(decodePcx(pcx(8, 1, 20, 1, 2, {}, few)).isNull());
    QByteArray inverted = pcx(8, 1, 2, 2, 2, {}, few);
    inverted[8] = 0, inverted[9] = 0, inverted[4] = 5;  // xmax 0 < xmin 5
    EXPECT_TRUE(decodePcx(inverted).isNull());
    // A run past the end of the picture; data that stops short (version 3:
    // no palette needed).
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2, 2, 2, {}, QByteArray::fromHex("c501"), 1, 3)).isNull());
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2, 2, 2, {}, QByteArray::fromHex("c301"), 1, 3)).isNull());
    EXPECT_TRUE(decodePcx(pcx(8, 1, 2, 2, 2, {}, QByteArray::fromHex("c4"), 1, 3)).isNull());
    // Layouts that do not exist; a wrong signature.
    EXPECT_TRUE(decodePcx(pcx(4, 2, 2, 2, 2, {}, few)).isNull());
    EXPECT_TRUE(decodePcx(pcx(3, 1, 2, 2, 2, {}, few)).isNull());
    EXPECT_TRUE(decodePcx(pcx(8, 2, 2, 2, 2, {}, few)).isNull());
    QByteArray signature = pcx(8, 1, 2, 2, 2, {}, few);
    signature[0] = 0x0b;
    EXPECT_TRUE(decodePcx(signature).isNull());
    EXPECT_TRUE(decodePcx(QByteArray(127, '\x0a')).isNull());
}

}  // namespace
}  // namespace lumora::test

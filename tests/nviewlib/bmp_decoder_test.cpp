#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

namespace lumora::test {
namespace {

struct MagickBmp {
    const char* name;
    QStringList options;  // before the output name
    const char* prefix;   // BMP3:, BMP2:, BMP:
    bool alpha;
    int headerSize, bpp, compression;  // what the file must really hold
};

const std::vector<MagickBmp>& magickBmps() {
    static const std::vector<MagickBmp> all = {
        {"bilevel", {"-type", "bilevel"}, "BMP3:", false, 40, 1, 0},
        {"pal4",
         {"-colors", "16", "-type", "palette", "-compress", "none"},
         "BMP3:",
         false,
         40,
         4,
         0},
        {"pal8",
         {"-colors", "200", "-type", "palette", "-compress", "none"},
         "BMP3:",
         false,
         40,
         8,
         0},
        {"rle8",
         {"-colors", "200", "-type", "palette", "-compress", "RLE"},
         "BMP3:",
         false,
         40,
         8,
         1},
        {"rle8-16colours",
         {"-colors", "16", "-type", "palette", "-compress", "RLE"},
         "BMP3:",
         false,
         40,
         8,
         1},
        {"rgb24", {"-type", "truecolor"}, "BMP3:", false, 40, 24, 0},
        {"rgb24-v5", {"-type", "truecolor"}, "BMP:", false, 124, 24, 0},
        {"os2-rgb24", {"-type", "truecolor"}, "BMP2:", false, 12, 24, 0},
        {"os2-pal8", {"-colors", "100", "-type", "palette"}, "BMP2:", false, 12, 8, 0},
        {"argb32", {}, "BMP:", true, 124, 32, 3},
        {"rgb565", {"-define", "bmp:subtype=RGB565"}, "BMP:", false, 124, 16, 3},
        {"rgb555", {"-define", "bmp:subtype=RGB555"}, "BMP:", false, 124, 16, 3},
        {"argb1555", {"-define", "bmp:subtype=ARGB1555"}, "BMP:", true, 124, 16, 3},
    };
    return all;
}

QString makeMagickBmp(const MagickBmp& v) {
    const QString out = scratch(QStringLiteral("%1.bmp").arg(QLatin1String(v.name)));
    if (!QFile::exists(out)) {
        QStringList args = {sourcePicture(v.alpha)};
        args << v.options << QLatin1String(v.prefix) + out;
        EXPECT_TRUE(convert(args));
    }
    return out;
}

// The header fields that make the variant, read back from the file.
void expectVariant(const QString& path, const MagickBmp& v) {
    const QByteArray d = readFile(path);
    ASSERT_GT(d.size(), 34);
    const auto* p = reinterpret_cast<const uchar*>(d.constData());
    const int headerSize = int(p[14] | p[15] << 8);
    EXPECT_EQ(headerSize, v.headerSize) << v.name;
    const int bpp = headerSize == 12 ? p[24] | p[25] << 8 : p[28] | p[29] << 8;
    EXPECT_EQ(bpp, v.bpp) << v.name;
    if (headerSize > 12) {
        EXPECT_EQ(int(p[30]), v.compression) << v.name;
    }
    if (v.compression == 1) {
        EXPECT_EQ(identify(QStringLiteral("%[compression]"), path), QStringLiteral("RLE"));
    }
}

TEST(BmpDecoder, EveryMagickVariantDecodesLikeMagick) {
    for (const MagickBmp& v : magickBmps()) {
        SCOPED_TRACE(v.name);
        const QString path = makeMagickBmp(v);
        expectVariant(path, v);
        const QImage image = decodeBitmapFile(readFile(path));
        expectSameAsMagick(image, path);
        EXPECT_EQ(image.hasAlphaChannel(), v.alpha);
        // The same file through the entry point, under both picture extensions.
        for (const char* ext : {"dib", "rle"}) {
            const QString copy = scratch(QStringLiteral("%1-copy.%2").arg(v.name, ext));
            QFile::remove(copy);
            ASSERT_TRUE(QFile::copy(path, copy));
            EXPECT_EQ(NViewLibLoad(copy, 1), image);
        }
    }
}

// ImageMagick scales 4-bit channels by 16 (15 becomes 240); ours spreads them
// over the whole range (15 becomes 255), so the two differ by at most 15.
TEST(BmpDecoder, FourBitChannelsFillTheRange) {
    const QString path = scratch(QStringLiteral("argb4444.bmp"));
    ASSERT_TRUE(convert({sourcePicture(true), QStringLiteral("-define"),
                         QStringLiteral("bmp:subtype=ARGB4444"), QStringLiteral("BMP:") + path}));
    const QByteArray data = readFile(path);
    const QImage image = decodeBitmapFile(data);
    ASSERT_FALSE(image.isNull());
    const QByteArray ours = rgbaOf(image), theirs = magickRgba(path);
    ASSERT_EQ(ours.size(), theirs.size());
    for (qsizetype i = 0; i < ours.size(); ++i) {
        const int o = uchar(ours[i]), t = uchar(theirs[i]);
        ASSERT_EQ(o % 17, 0) << i;  // n * 17: a 4-bit value spread over 0..255
        ASSERT_EQ(o / 17 * 16, t) << i;
    }
}

// Which decoder the preview should use for ".BMP": Qt's reader against
// ImageMagick on the same variants. Qt 6.4 shifts 16-bit channels without
// filling the low bits (white comes out as 248,252,248), so the 16-bit
// variants are the ones it gets wrong; a Qt that changes this shows up here.
TEST(BmpDecoder, QtReaderAgainstMagick) {
    QStringList qtWrong;
    for (const MagickBmp& v : magickBmps()) {
        const QString path = makeMagickBmp(v);
        const QImage qt = QImage::fromData(readFile(path), "BMP");
        const qint64 diff = qt.isNull() ? -2 : differingPixels(rgbaOf(qt), magickRgba(path));
        if (diff != 0)
            qtWrong << QString::fromLatin1(v.name);
        std::printf("Qt BMP reader, %s: %s\n", v.name,
                    diff == 0    ? "same as ImageMagick"
                    : diff == -2 ? "cannot read"
                                 : qPrintable(QStringLiteral("%1 pixels differ").arg(diff)));
    }
    EXPECT_EQ(qtWrong.join(' ').toStdString(), "rgb565 rgb555 argb1555");

    const QString white = scratch(QStringLiteral("white565.bmp"));
    ASSERT_TRUE(convert({QStringLiteral("-size"), QStringLiteral("2x1"), QStringLiteral("xc:white"),
                         QStringLiteral("-define"), QStringLiteral("bmp:subtype=RGB565"),
                         QStringLiteral("BMP:") + white}));
    EXPECT_EQ(QImage::fromData(readFile(white), "BMP").pixel(0, 0), qRgb(248, 252, 248));
    EXPECT_EQ(decodeBitmapFile(readFile(white)).pixel(0, 0), qRgb(255, 255, 255));
}

// --- Hand-made bitmaps for what ImageMagick does not write. ---

QByteArray bitmapFile(qint32 width, qint32 height, int bpp, int compression,
                      const std::vector<QRgb>& palette, const QByteArray& pixels,
                      int headerSize = 40, const std::vector<quint32>& masks = {}) {
    Bytes info;
    info.u32(quint32(headerSize)).u32(quint32(width)).u32(quint32(height)).u16(1).u16(bpp);
    info.u32(quint32(compression)).u32(quint32(pixels.size())).u32(2835).u32(2835);
    info.u32(quint32(palette.size())).u32(0);
    for (quint32 m : masks)
        info.u32(m);
    for (QRgb c : palette)
        info.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
    Bytes file;
    file.raw("BM").u32(quint32(14 + info.d.size() + pixels.size())).u32(0);
    file.u32(quint32(14 + info.d.size()));
    return file.raw(info.d).raw(pixels).d;
}

const std::vector<QRgb> kPalette = {qRgb(0, 0, 0),     qRgb(255, 0, 0),    qRgb(0, 255, 0),
                                    qRgb(0, 0, 255),   qRgb(255, 255, 0),  qRgb(0, 255, 255),
                                    qRgb(255, 0, 255), qRgb(128, 128, 128)};

Pixels fromIndices(const std::vector<std::vector<int>>& rows) {
    Pixels out;
    for (const auto& r : rows) {
        out.emplace_back();
        for (int i : r)
            out.back().push_back(kPalette[size_t(i)]);
    }
    return out;
}

TEST(BmpDecoder, TopDownAndBottomUpRows) {
    // 2 x 2, 24 bit: rows of 6 bytes padded to 8.
    const QByteArray rows = QByteArray::fromHex(
        "0000ff00ff000000"    // red, green
        "ff00000000000000");  // blue, black
    const QImage bottomUp = decodeBitmapFile(bitmapFile(2, 2, 24, 0, {}, rows.left(16)));
    const QImage topDown = decodeBitmapFile(bitmapFile(2, -2, 24, 0, {}, rows.left(16)));
    const Pixels stored = {{qRgb(255, 0, 0), qRgb(0, 255, 0)}, {qRgb(0, 0, 255), qRgb(0, 0, 0)}};
    EXPECT_EQ(pixelsOf(topDown), stored);
    EXPECT_EQ(pixelsOf(bottomUp), (Pixels{stored[1], stored[0]}));

    // 8 bit top-down through the palette.
    const QImage indexed = decodeBitmapFile(bitmapFile(3, -2, 8, 0, kPalette,
                                                       QByteArray::fromHex("01020300"
                                                                           "04050600")));
    EXPECT_EQ(pixelsOf(indexed), fromIndices({{1, 2, 3}, {4, 5, 6}}));
}

TEST(BmpDecoder, Rle4WithEveryEscape) {
    // 7 x 4, bottom-up. Stored rows (first = bottom):
    //  row 0: run of 5 alternating 1,2; absolute 3 pixels 3,4,5 of which the
    //         last falls into the row padding; end of line
    //  row 1: delta right 2, up 1 (into row 2, x 2); run of 3 of 5; end of line
    //  row 3: absolute 7 pixels 1..7 then end of bitmap
    // Skipped pixels stay index 0.
    const QByteArray rle = QByteArray::fromHex(
        "0512"
        "0003"
        "3450"
        "0000"
        "00020201"
        "0355"
        "0000"
        "0007"
        "12345670"
        "0001");
    const QImage image = decodeBitmapFile(bitmapFile(7, 4, 4, 2, kPalette, rle));
    EXPECT_EQ(pixelsOf(image), fromIndices({{1, 2, 3, 4, 5, 6, 7},
                                            {0, 0, 5, 5, 5, 0, 0},
                                            {0, 0, 0, 0, 0, 0, 0},
                                            {1, 2, 1, 2, 1, 3, 4}}));
}

TEST(BmpDecoder, Rle8EscapesAndTopDown) {
    // 5 x 3: run, absolute (odd length, padded), delta, early end of bitmap.
    const QByteArray rle = QByteArray::fromHex(
        "0201"
        "0003"
        "070605"
        "00"
        "0000"      // row 0: 1 1 7 6 5
        "00020201"  // delta 2 right, 1 up: row 2, x 2
        "0303"
        "0001");  // row 2: x 2..4 = 3
    const Pixels upright = fromIndices({{0, 0, 3, 3, 3}, {0, 0, 0, 0, 0}, {1, 1, 7, 6, 5}});
    EXPECT_EQ(pixelsOf(decodeBitmapFile(bitmapFile(5, 3, 8, 1, kPalette, rle))), upright);
    // The same stream in a top-down bitmap.
    EXPECT_EQ(pixelsOf(decodeBitmapFile(bitmapFile(5, -3, 8, 1, kPalette, rle))),
              (Pixels{upright[2], upright[1], upright[0]}));
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitPlainRgb) {
    // BI_RGB 16 bit is 5-5-5; full scale maps to 255, 16 to 132.
    const QImage rgb555 = decodeBitmapFile(
        bitmapFile(2, 1, 16, 0, {}, Bytes().u16(0x7fff).u16(16 << 10 | 1 << 5 | 0).d));
    EXPECT_EQ(pixelsOf(rgb555), (Pixels{{qRgb(255, 255, 255), qRgb(132, 8, 0)}}));
    // BI_RGB 32 bit: the fourth byte is not alpha.
    const QImage rgb32 =
        decodeBitmapFile(bitmapFile(1, 1, 32, 0, {}, QByteArray::fromHex("30201000")));
    EXPECT_FALSE(rgb32.hasAlphaChannel());
    EXPECT_EQ(rgb32.pixel(0, 0), qRgb(0x10, 0x20, 0x30));
    // BI_BITFIELDS after a 40-byte header, 10 bits of red.
    const QImage wide = decodeBitmapFile(bitmapFile(1, 1, 32, 3, {}, Bytes().u32(0x3ffu << 20).d,
                                                    40, {0x3ffu << 20, 0xffc00, 0x3ff}));
    EXPECT_EQ(wide.pixel(0, 0), qRgb(255, 0, 0));
}

TEST(BmpDecoder, PackedDibWithoutFileHeader) {
    const QByteArray file = bitmapFile(3, 2, 8, 0, kPalette,
                                       QByteArray::fromHex("01020300"
                                                           "04050600"));
    const QByteArray dib = file.mid(14);
    EXPECT_EQ(pixelsOf(decodeDib(dib)), fromIndices({{4, 5, 6}, {1, 2, 3}}));
    const QString path = scratch(QStringLiteral("packed.dib"));
    writeFile(path, dib);
    EXPECT_EQ(pixelsOf(NViewLibLoad(path, 0)), fromIndices({{4, 5, 6}, {1, 2, 3}}));
}

// Qt's reader on the hand-made variants ImageMagick cannot write: it agrees on
// top-down rows, and on RLE it leaves the pixels that the stream skips
// transparent where ours (and ImageMagick) give them palette entry 0.
TEST(BmpDecoder, QtReaderOnHandMadeVariants) {
    const QByteArray rle4 = bitmapFile(7, 4, 4, 2, kPalette,
                                       QByteArray::fromHex("0512"
                                                           "0003"
                                                           "3450"
                                                           "0000"
                                                           "00020201"
                                                           "0355"
                                                           "0000"
                                                           "0007"
                                                           "12345670"
                                                           "0001"));
    const QByteArray rle8 = bitmapFile(5, 3, 8, 1, kPalette,
                                       QByteArray::fromHex("0201"
                                                           "0003"
                                                           "070605"
                                                           "00"
                                                           "0000"
                                                           "00020201"
                                                           "0303"
                                                           "0001"));
    const QByteArray topDown = bitmapFile(3, -2, 8, 0, kPalette,
                                          QByteArray::fromHex("01020300"
                                                              "04050600"));
    EXPECT_EQ(pixelsOf(QImage::fromData(topDown, "BMP")), pixelsOf(decodeBitmapFile(topDown)));
    for (const QByteArray& file : {rle4, rle8}) {
        const Pixels qt = pixelsOf(QImage::fromData(file, "BMP"));
        const Pixels ours = pixelsOf(decodeBitmapFile(file));
        ASSERT_EQ(qt.size(), ours.size());
        int skipped = 0;
        for (size_t y = 0; y < qt.size(); ++y)
            for (size_t x = 0; x < qt[y].size(); ++x) {
                if (qt[y][x] == 0 && ours[y][x] == kPalette[0])
                    ++skipped;
                else
                    EXPECT_EQ(qt[y][x], ours[y][x]) << x << "," << y;
            }
        EXPECT_GT(skipped, 0);
    }
}

// --- Bad input: null images, no crash, no big allocation. ---

TEST(BmpDecoder, TruncatedFilesGiveNull) {
    for (const char* name : {"pal8", "rle8", "rgb24", "argb32", "rgb565", "os2-pal8"}) {
        const auto& all = magickBmps();
        const auto v = std::find_if(all.begin(), all.end(),
                                    [&](const MagickBmp& m) { return !std::strcmp(m.name, name); });
        const QByteArray full = readFile(makeMagickBmp(*v));
        ASSERT_FALSE(decodeBitmapFile(full).isNull()) << name;
        for (qsizetype cut : {qsizetype(2), qsizetype(14), qsizetype(30), qsizetype(60),
                              full.size() / 2, full.size() - 200})
            EXPECT_TRUE(decodeBitmapFile(full.left(cut)).isNull()) << name << " cut at " << cut;
    }
}

TEST(BmpDecoder, HostileHeadersGiveNull) {
    const QByteArray tiny = QByteArray::fromHex("01020300");
    // Declared sizes far beyond the data, uncompressed and RLE.
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(100000, 100000, 8, 0, kPalette, tiny)).isNull());
    EXPECT_TRUE(
        decodeBitmapFile(bitmapFile(100000, 100000, 8, 1, kPalette, QByteArray::fromHex("0001")))
            .isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(60000, -60000, 24, 0, {}, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(10000, 10000, 8, 0, kPalette, tiny)).isNull());
    EXPECT_TRUE(
        decodeBitmapFile(bitmapFile(10000, 10000, 8, 1, kPalette, QByteArray::fromHex("0001")))
            .isNull());
    // Zero and absurd sizes.
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(0, 5, 8, 0, kPalette, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(3, 0, 8, 0, kPalette, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(3, INT_MIN, 8, 0, kPalette, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(-3, 1, 8, 0, kPalette, tiny)).isNull());
    // Palette indices out of range, raw and RLE (palette of 2 entries).
    const std::vector<QRgb> two(kPalette.begin(), kPalette.begin() + 2);
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(3, 1, 8, 0, two, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(3, 1, 8, 1, two,
                                            QByteArray::fromHex("0305"
                                                                "0001")))
                    .isNull());
    EXPECT_FALSE(decodeBitmapFile(bitmapFile(3, 1, 8, 1, two,
                                             QByteArray::fromHex("0301"
                                                                 "0001")))
                     .isNull());
    // RLE runs past the end of the picture: a long run, a delta out of the
    // picture, an absolute run whose bytes are missing, a stream without end.
    for (const char* stream : {"2001"
                               "0001",
                               "00020009"
                               "0101"
                               "0001",
                               "000a0102", "0301"})
        EXPECT_TRUE(decodeBitmapFile(bitmapFile(4, 2, 8, 1, kPalette, QByteArray::fromHex(stream)))
                        .isNull())
            << stream;
    // Pixel offset beyond the file; unknown header size; invalid depth.
    QByteArray offset = bitmapFile(3, 1, 8, 0, kPalette, tiny);
    offset[10] = char(0xff), offset[11] = char(0xff);
    EXPECT_TRUE(decodeBitmapFile(offset).isNull());
    QByteArray header = bitmapFile(3, 1, 8, 0, kPalette, tiny);
    header[14] = 41;
    EXPECT_TRUE(decodeBitmapFile(header).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(3, 1, 7, 0, kPalette, tiny)).isNull());
    // A palette count far beyond the file, masks with holes, RLE8 on 24 bit.
    QByteArray colours = bitmapFile(3, 1, 8, 0, kPalette, tiny);
    colours[46] = char(0xff), colours[47] = char(0xff), colours[48] = char(0xff);
    EXPECT_TRUE(decodeBitmapFile(colours).isNull());
    EXPECT_TRUE(
        decodeBitmapFile(bitmapFile(1, 1, 16, 3, {}, tiny, 40, {0xf0f0, 0x0f00, 0x000f})).isNull());
    EXPECT_TRUE(decodeBitmapFile(bitmapFile(1, 1, 24, 1, {}, tiny)).isNull());
    EXPECT_TRUE(decodeBitmapFile(QByteArray()).isNull());
    EXPECT_TRUE(decodeDib(QByteArray::fromHex("28000000")).isNull());
}

}  // namespace
}  // namespace lumora::test

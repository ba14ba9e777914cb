#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace lumora::test {
namespace {

QString photo() {
    const QString path = scratch(QStringLiteral("photo.png"));
    if (!QFile::exists(path)) {
        EXPECT_TRUE(convert({QStringLiteral("-seed"), QStringLiteral("11"), QStringLiteral("-size"),
                             QStringLiteral("203x151"), QStringLiteral("plasma:fractal"),
                             QStringLiteral("-depth"), QStringLiteral("8"), path}));
    }
    return path;
}

QString makeJpeg(const QString& name, const QStringList& options) {
    const QString out = scratch(name + QStringLiteral(".jpg"));
    if (!QFile::exists(out)) {
        QStringList args = {photo(), QStringLiteral("-quality"), QStringLiteral("85")};
        args << options << out;
        EXPECT_TRUE(convert(args));
    }
    return out;
}

struct Variant {
    const char* name;
    QStringList options;
    const char* identifyFormat;
    const char* expected;
};

const std::vector<Variant>& variants() {
    static const std::vector<Variant> all = {
        {"baseline420", {}, "%[jpeg:sampling-factor] %[interlace]", "2x2,1x1,1x1 None"},
        {"baseline444", {"-sampling-factor", "1x1"}, "%[jpeg:sampling-factor]", "1x1,1x1,1x1"},
        {"baseline422", {"-sampling-factor", "2x1"}, "%[jpeg:sampling-factor]", "2x1,1x1,1x1"},
        {"progressive", {"-interlace", "plane"}, "%[interlace]", "JPEG"},
        {"grey", {"-colorspace", "gray"}, "%[jpeg:colorspace]", "1"},
    };
    return all;
}

TEST(JpegDecoder, DecodesLikeMagick) {
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        const QString path = makeJpeg(QLatin1String(v.name), v.options);
        EXPECT_EQ(identify(QLatin1String(v.identifyFormat), path), QLatin1String(v.expected));
        const QImage image = decodeJpeg(readFile(path));
        expectSameAsMagick(image, path);
        // The entry point takes JPEGs under .jpg, .jpeg, .jif and any other name.
        for (const char* ext : {"jpeg", "jif", "tga"}) {
            const QString copy = scratch(QStringLiteral("%1-copy.%2").arg(v.name, ext));
            QFile::remove(copy);
            ASSERT_TRUE(QFile::copy(path, copy));
            EXPECT_EQ(NViewLibLoad(copy, 1), image);
        }
    }
}

TEST(JpegDecoder, AdobeCmykBecomesRgb) {
    const QString path = makeJpeg(QStringLiteral("cmyk"), {"-colorspace", "CMYK"});
    ASSERT_EQ(identify(QStringLiteral("%[jpeg:colorspace]"), path), QStringLiteral("4"));
    const QImage image = decodeJpeg(readFile(path));
    ASSERT_FALSE(image.isNull());
    const QByteArray reference =
        run(QStringLiteral("convert"),
            {path, QStringLiteral("-colorspace"), QStringLiteral("sRGB"), QStringLiteral("-depth"),
             QStringLiteral("8"), QStringLiteral("rgba:-")});
    EXPECT_EQ(differingPixels(rgbaOf(image), reference), 0);
}

// A JPEG with an EXIF block whose orientation ImageMagick then sets with
// -orient: orientation o of the 203 x 151 photo.
QString exifJpeg(int o) {
    const QString path = scratch(QStringLiteral("exif-o%1.jpg").arg(o));
    if (QFile::exists(path))
        return path;
    const QString withExif = scratch(QStringLiteral("exif-1.jpg"));
    if (!QFile::exists(withExif)) {
        QByteArray jpeg = readFile(makeJpeg(QStringLiteral("exif-base"), {}));
        // Minimal EXIF: big-endian TIFF header, IFD0 with Orientation = 1.
        const QByteArray tiff = QByteArray::fromHex(
            "4d4d002a00000008"
            "0001"
            "011200030000000100010000"
            "00000000");
        const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
        jpeg.insert(2,
                    QByteArray::fromHex("ffe1") + Bytes().u8(0).u8(int(app1.size()) + 2).d + app1);
        writeFile(withExif, jpeg);
    }
    const char* names[] = {"TopLeft", "TopRight", "BottomRight", "BottomLeft",
                           "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
    EXPECT_TRUE(convert({withExif, QStringLiteral("-orient"), QLatin1String(names[o - 1]), path}));
    EXPECT_EQ(identify(QStringLiteral("%[EXIF:Orientation]"), path), QString::number(o));
    return path;
}

// -auto-orient on ImageMagick's side is the reference.
TEST(JpegDecoder, AllEightExifOrientations) {
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const QString path = exifJpeg(o);
        const QImage image = NViewLibLoad(path, 1);
        expectSameAsMagick(image, path);
        EXPECT_EQ(image.width(), o >= 5 ? 151 : 203);
    }
}

double meanChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// A view that stretches the picture smaller gets it decoded with DCT scaling,
// a view that cuts it gets only the rows and columns it shows: the first
// looks like the whole picture scaled, the second is the whole one's pixels
// (checked on a noisy picture, where a pixel out of place shows).
TEST(JpegDecoder, PartsDecodedForAViewMatchTheWholePicture) {
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        const QStringList big =
            v.options + QStringList{QStringLiteral("-resize"), QStringLiteral("1203x805!")};
        const QByteArray data = readFile(makeJpeg(QLatin1String(v.name) + "-big", big));
        const QByteArray noisy = readFile(
            makeJpeg(QLatin1String(v.name) + "-noisy",
                     big + QStringList{QStringLiteral("-attenuate"), QStringLiteral("0.3"),
                                       QStringLiteral("+noise"), QStringLiteral("Gaussian")}));
        const QImage whole = decodeJpeg(data);
        ASSERT_EQ(whole.size(), QSize(1203, 805));
        const QRect all(QPoint(0, 0), whole.size());

        for (const QSize target : {QSize(150, 100), QSize(400, 90), QSize(1300, 900)}) {
            SCOPED_TRACE(target.width());
            const PicturePart part = decodeJpeg(data, PictureNeed::scaledTo(target));
            EXPECT_EQ(part.fullSize, whole.size());
            EXPECT_EQ(part.region, all);
            const QSize wanted = target.boundedTo(whole.size());
            EXPECT_GE(part.image.width(), wanted.width());
            EXPECT_GE(part.image.height(), wanted.height());
            // Not more than twice what is needed (a partial block rounds up a pixel).
            EXPECT_LE(part.image.width(), qMax(2 * wanted.width() + 1, 1203 / 8 + 1));
            const QSize shown = wanted.expandedTo(QSize(1, 1));
            // Scaled as the preview scales it: the last, partial block of a
            // DCT-scaled decode is not stretched into view.
            EXPECT_LT(meanChannelDifference(
                          scaledExtent(part.image, part.extent, shown),
                          whole.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
                      2.0);
        }
        for (const QSize view : {QSize(400, 300), QSize(1300, 301), QSize(401, 900)}) {
            SCOPED_TRACE(view.width());
            const PicturePart part = decodeJpeg(noisy, PictureNeed::centredIn(view));
            EXPECT_EQ(part.fullSize, whole.size());
            EXPECT_EQ(part.region, centredVisiblePart(whole.size(), view));
            EXPECT_EQ(part.image, decodeJpeg(noisy).copy(part.region));
        }
    }
    // Turned pictures are cut where the upright picture is.
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const QByteArray data = readFile(exifJpeg(o));
        const QImage whole = decodeJpeg(data);
        const PicturePart part = decodeJpeg(data, PictureNeed::centredIn(QSize(101, 77)));
        EXPECT_EQ(part.region, centredVisiblePart(whole.size(), QSize(101, 77)));
        EXPECT_EQ(part.image, whole.copy(part.region));
        const PicturePart small = decodeJpeg(data, PictureNeed::scaledTo(QSize(40, 30)));
        EXPECT_EQ(small.fullSize, whole.size());
        EXPECT_EQ(small.image.width() < small.image.height(), o >= 5);
    }
}

// The frame claims far more rows than the data holds: a partial decode gives
// what the whole decode gives, with buffers no larger than the part asked for;
// a file cut short or claiming an impossible size gives nothing.
TEST(JpegDecoder, PartialDecodesTrustNoFrameSize) {
    const QByteArray good = readFile(makeJpeg(QStringLiteral("baseline420"), {}));
    const qsizetype sof = good.indexOf(QByteArray::fromHex("ffc0"));
    ASSERT_GT(sof, 0);
    QByteArray tall = good;
    tall[sof + 5] = char(0x0f), tall[sof + 6] = char(0xa0);  // 4000 rows
    QByteArray huge = good;
    huge[sof + 5] = char(0xff), huge[sof + 6] = char(0xdc);
    huge[sof + 7] = char(0xff), huge[sof + 8] = char(0xdc);
    for (const PictureNeed& need :
         {PictureNeed::scaledTo(QSize(50, 40)), PictureNeed::centredIn(QSize(100, 100)),
          PictureNeed::centredIn(QSize(300, 300))}) {
        const QImage wholeTall = decodeJpeg(tall);
        const PicturePart part = decodeJpeg(tall, need);
        EXPECT_EQ(part.image.isNull(), wholeTall.isNull());
        if (!part.image.isNull()) {
            EXPECT_EQ(part.fullSize, wholeTall.size());
            EXPECT_EQ(part.fullSize.height(), 4000);
            EXPECT_LE(part.image.width(), part.region.width());
            EXPECT_LE(part.image.height(), part.region.height());
            if (need.kind == PictureNeed::Kind::CentredIn) {
                EXPECT_EQ(part.image, wholeTall.copy(part.region));
            }
        }
        EXPECT_TRUE(decodeJpeg(huge, need).image.isNull());
        for (qsizetype cut : {qsizetype(100), good.size() / 2})
            EXPECT_TRUE(decodeJpeg(good.left(cut), need).image.isNull()) << cut;
    }
}

// The reload decode against djpeg's: same colours, same palette indices.
void expectSameAsDjpeg(const QString& path, const QImage& ours, const QStringList& rotate = {}) {
    const QString bmp = path + QStringLiteral(".djpeg.bmp");
    QByteArray out = run(QStringLiteral("djpeg"),
                         {QStringLiteral("-colors"), QStringLiteral("256"), QStringLiteral("-bmp"),
                          QStringLiteral("-outfile"), bmp, path});
    ASSERT_FALSE(out.isNull());
    QString reference = bmp;
    if (!rotate.isEmpty()) {
        reference = bmp + QStringLiteral(".png");
        ASSERT_TRUE(convert(QStringList{bmp} + rotate + QStringList{reference}));
    }
    // Qt reads 8-bit bitmaps the same as ImageMagick (see the BMP tests).
    const QImage theirs(reference);
    ASSERT_FALSE(theirs.isNull());
    ASSERT_EQ(ours.format(), QImage::Format_Indexed8);
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(differingPixels(rgbaOf(ours), rgbaOf(theirs)), 0);
    if (rotate.isEmpty()) {
        EXPECT_EQ(ours.colorTable(), theirs.colorTable());
        for (int y = 0; y < ours.height(); ++y)
            ASSERT_EQ(
                std::memcmp(ours.constScanLine(y), theirs.constScanLine(y), size_t(ours.width())),
                0)
                << "row " << y;
    }
}

TEST(JpegDecoder, ReloadQuantisesLikeDjpeg) {
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        const QString path = makeJpeg(QLatin1String(v.name), v.options);
        expectSameAsDjpeg(path, decodeJpegQuantized(path));
    }
    // The reload keeps the picture upright like the preview does.
    const QString rotated = scratch(QStringLiteral("exif-o6.jpg"));
    if (QFile::exists(rotated))
        expectSameAsDjpeg(rotated, decodeJpegQuantized(rotated),
                          {QStringLiteral("-rotate"), QStringLiteral("90")});
    EXPECT_TRUE(decodeJpegQuantized(scratch(QStringLiteral("missing.jpg"))).isNull());
    EXPECT_TRUE(decodeJpegQuantized(QStringLiteral("/dev/zero")).isNull());
}

// Scans of a JPEG: (start, end) of each SOS segment with its entropy data.
std::vector<std::pair<qsizetype, qsizetype>> scans(const QByteArray& d) {
    std::vector<std::pair<qsizetype, qsizetype>> out;
    qsizetype i = 2;
    while (i + 4 <= d.size()) {
        const int marker = uchar(d[i + 1]);
        const int length = uchar(d[i + 2]) << 8 | uchar(d[i + 3]);
        if (marker == 0xd9)
            break;
        qsizetype end = i + 2 + length;
        if (marker == 0xda) {
            while (end + 1 < d.size() && !(uchar(d[end]) == 0xff && uchar(d[end + 1]) != 0 &&
                                           (uchar(d[end + 1]) < 0xd0 || uchar(d[end + 1]) > 0xd7)))
                ++end;
            out.emplace_back(i, end);
        }
        i = end;
    }
    return out;
}

// The last scan of a progressive file repeated: libjpeg only warns about the
// progression, so without a limit it decodes every copy.
QByteArray withRepeatedScan(const QByteArray& progressive, int copies) {
    const auto all = scans(progressive);
    const auto [start, end] = all.back();
    QByteArray out = progressive.left(end);
    const QByteArray scan = progressive.mid(start, end - start);
    for (int i = 0; i < copies; ++i)
        out += scan;
    return out + progressive.mid(end);
}

TEST(JpegDecoder, ThousandsOfScansAreCutOff) {
    const QByteArray progressive =
        readFile(makeJpeg(QStringLiteral("progressive"), {"-interlace", "plane"}));
    const size_t own = scans(progressive).size();
    ASSERT_GE(own, 5u);
    // Below the limit the extra scans are harmless; far above it, no picture.
    EXPECT_FALSE(decodeJpeg(withRepeatedScan(progressive, 900)).isNull());
    EXPECT_TRUE(decodeJpeg(withRepeatedScan(progressive, 5000)).isNull());
}

TEST(JpegDecoder, BadInputGivesNull) {
    const QByteArray good = readFile(makeJpeg(QStringLiteral("baseline420"), {}));
    const QByteArray progressive =
        readFile(makeJpeg(QStringLiteral("progressive"), {"-interlace", "plane"}));
    ASSERT_FALSE(decodeJpeg(good).isNull());
    // Truncated anywhere in the headers or the entropy data.
    for (const QByteArray& file : {good, progressive})
        for (qsizetype cut :
             {qsizetype(3), qsizetype(100), file.size() / 3, file.size() / 2, file.size() - 100})
            EXPECT_TRUE(decodeJpeg(file.left(cut)).isNull()) << cut;
    // Only the end marker missing: every row is there, so it is shown.
    EXPECT_FALSE(decodeJpeg(good.left(good.size() - 2)).isNull());

    // The frame size patched to 65500 x 65500 and to zero width.
    const qsizetype sof = good.indexOf(QByteArray::fromHex("ffc0"));
    ASSERT_GT(sof, 0);
    QByteArray huge = good;
    huge[sof + 5] = char(0xff), huge[sof + 6] = char(0xdc);
    huge[sof + 7] = char(0xff), huge[sof + 8] = char(0xdc);
    EXPECT_TRUE(decodeJpeg(huge).isNull());
    QByteArray zero = good;
    zero[sof + 7] = 0, zero[sof + 8] = 0;
    EXPECT_TRUE(decodeJpeg(zero).isNull());
    // Garbage after the signature, a broken Huffman table, nothing at all.
    EXPECT_TRUE(decodeJpeg(QByteArray::fromHex("ffd8ffe0") + QByteArray(5000, '\x5a')).isNull());
    QByteArray dht = good;
    const qsizetype table = dht.indexOf(QByteArray::fromHex("ffc4"));
    ASSERT_GT(table, 0);
    for (int k = 5; k < 21; ++k)
        dht[table + k] = char(0xff);  // code counts that overflow the table
    EXPECT_TRUE(decodeJpeg(dht).isNull());
    EXPECT_TRUE(decodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(decodeJpeg(QByteArray::fromHex("ffd8ff")).isNull());
    // A broken EXIF block is ignored, not read past its end.
    QByteArray badExif = good;
    badExif.insert(
        2, QByteArray::fromHex("ffe10010") + QByteArray("Exif\0\0MM\0\x2a\xff\xff\xff\x00", 14));
    EXPECT_EQ(decodeJpeg(badExif), decodeJpeg(good));
}

}  // namespace
}  // namespace lumora::test

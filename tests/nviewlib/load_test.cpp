#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

QString picture(const QString& name, const QStringList& options) {
    const QString out = scratch(name);
    if (!QFile::exists(out)) {
        EXPECT_TRUE(convert(QStringList{sourcePicture()} + options + QStringList{out}));
    }
    return out;
}

// The content decides; the name only helps formats without a signature.
TEST(NViewLibLoad, ContentWinsOverTheExtension) {
    const QString bmp =
        picture(QStringLiteral("a.bmp"), {QStringLiteral("-type"), QStringLiteral("truecolor")});
    const QString pcx = picture(QStringLiteral("a.pcx"), {});
    const QString tga = picture(QStringLiteral("a.tga"), {});
    const QString jpg = picture(QStringLiteral("a.jpg"), {});
    const QImage fromBmp = decodeBitmapFile(readFile(bmp));
    const QImage fromPcx = decodePcx(readFile(pcx));
    const QImage fromTga = decodeTga(readFile(tga));
    const QImage fromJpg = decodeJpeg(readFile(jpg));
    ASSERT_FALSE(fromBmp.isNull() || fromPcx.isNull() || fromTga.isNull() || fromJpg.isNull());
    const struct {
        QString source;
        const char* misnamed;
        QImage expected;
    } cases[] = {{bmp, "bmp-as.jpg", fromBmp}, {pcx, "pcx-as.tga", fromPcx},
                 {tga, "tga-as.pcx", fromTga}, {tga, "tga-no-extension", fromTga},
                 {jpg, "jpg-as.rle", fromJpg}, {pcx, "pcx-as.dib", fromPcx}};
    for (const auto& c : cases) {
        const QString path = scratch(QLatin1String(c.misnamed));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(c.source, path));
        EXPECT_EQ(NViewLibLoad(path, 1), c.expected) << c.misnamed;
        EXPECT_EQ(NViewLibLoad(path, 0), c.expected) << c.misnamed;
    }
}

TEST(NViewLibLoad, LongPathsAndFilesThatAreNotPictures) {
    // Far beyond 255 characters: nothing cuts the path.
    QString dir = scratchDir();
    for (int i = 0; i < 8; ++i)
        dir += QStringLiteral("/folder-with-a-rather-long-name-number-%1").arg(i);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString deep = dir + QStringLiteral("/picture.tga");
    ASSERT_GT(deep.size(), 300);
    QFile::remove(deep);
    ASSERT_TRUE(QFile::copy(picture(QStringLiteral("a.tga"), {}), deep));
    EXPECT_EQ(NViewLibLoad(deep, 1).size(), QSize(37, 23));

    EXPECT_TRUE(NViewLibLoad(scratch(QStringLiteral("does-not-exist.jpg")), 1).isNull());
    EXPECT_TRUE(NViewLibLoad(scratchDir(), 1).isNull());
    EXPECT_TRUE(NViewLibLoad(QStringLiteral("/dev/zero"), 1).isNull());  // would never end
    writeFile(scratch(QStringLiteral("empty.tga")), {});
    EXPECT_TRUE(NViewLibLoad(scratch(QStringLiteral("empty.tga")), 1).isNull());
    writeFile(scratch(QStringLiteral("notes.pcx")), "Just some text, not a picture.\r\n");
    EXPECT_TRUE(NViewLibLoad(scratch(QStringLiteral("notes.pcx")), 1).isNull());
}

// Pictures above a few megabytes take another road: memory of their own for
// the file and the picture, faulted in on a helper thread while decoding.
TEST(NViewLibLoad, LargePicturesDecodeAndBehaveLikeAnyImage) {
    const int w = 2600, h = 1800;  // 18.7 MB as RGB32, a 14 MB file
    auto expected = [](int x, int y) { return qRgb(x & 255, y & 255, (x ^ y) & 255); };
    Bytes tga;
    tga.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(w).u16(h).u8(24).u8(0x20);
    tga.d.reserve(18 + w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = expected(x, y);
            tga.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c));
        }
    const QString path = scratch(QStringLiteral("large.tga"));
    writeFile(path, tga.d);
    QImage image = NViewLibLoad(path, 1);
    ASSERT_EQ(image.size(), QSize(w, h));
    bool same = true;
    for (int y = 0; y < h && same; y += 7)
        for (int x = 0; x < w && same; x += 3)
            same = image.pixel(x, y) == expected(x, y);
    EXPECT_TRUE(same);
    EXPECT_EQ(image.pixel(w - 1, h - 1), expected(w - 1, h - 1));
    // A copy is a picture of its own; the original outlives it and vice versa.
    QImage copy = image;
    copy.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(image.pixel(0, 0), expected(0, 0));
    image = QImage();
    EXPECT_EQ(copy.pixel(w - 1, 0), expected(w - 1, 0));

    // A large JPEG, against ImageMagick.
    const QString jpeg = scratch(QStringLiteral("large.jpg"));
    ASSERT_TRUE(convert({QStringLiteral("-size"), QStringLiteral("2400x1800"),
                         QStringLiteral("gradient:red-blue"), QStringLiteral("-quality"),
                         QStringLiteral("90"), jpeg}));
    expectSameAsMagick(NViewLibLoad(jpeg, 1), jpeg);
}

#ifdef NVIEWLIB_DECODE
TEST(NViewLibDecodeCommand, PrintsTheSizeAndWritesThePng) {
    const QString tga = picture(QStringLiteral("a.tga"), {});
    const QString png = scratch(QStringLiteral("command-out.png"));
    QProcess p;
    p.start(QStringLiteral(NVIEWLIB_DECODE), {tga, png});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("37 23"));
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32),
              NViewLibLoad(tga, 1).convertToFormat(QImage::Format_RGB32));

    // A file it cannot decode: it says so and still succeeds.
    writeFile(scratch(QStringLiteral("junk.jpg")), QByteArray::fromHex("ffd8ff00112233"));
    p.start(QStringLiteral(NVIEWLIB_DECODE), {scratch(QStringLiteral("junk.jpg"))});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().contains("cannot decode"));

    p.start(QStringLiteral(NVIEWLIB_DECODE), QStringList{});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
}
#endif

}  // namespace
}  // namespace lumora::test

#include "nviewlib/nviewlib.h"
#include "picture_fixtures.h"

#include <gtest/gtest.h>

namespace lumora::test {
namespace {

QString picture(const QString& name, const QStringList& options) {
    const QString out = scratch(name);
    if (!QFile::exists(out))
        EXPECT_TRUE(convert(QStringList{sourcePicture()} + options + QStringList{out}));
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
    writeFile(scratch(QStringLiteral("empty.tga")), {});
    EXPECT_TRUE(NViewLibLoad(scratch(QStringLiteral("empty.tga")), 1).isNull());
    writeFile(scratch(QStringLiteral("notes.pcx")), "Just some text, not a picture.\r\n");
    EXPECT_TRUE(NViewLibLoad(scratch(QStringLiteral("notes.pcx")), 1).isNull());
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

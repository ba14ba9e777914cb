#include "nviewlib/nviewlib.h"

#include "base/file_name.h"
#include "nviewlib/decode_util.h"

#include <QFile>
#include <QFileInfo>

namespace lumora {
namespace {

bool looksLikeJpeg(const QByteArray& d) {
    return d.size() >= 3 && uchar(d[0]) == 0xff && uchar(d[1]) == 0xd8 && uchar(d[2]) == 0xff;
}

bool looksLikePcx(const QByteArray& d) {
    if (d.size() < 128 || d[0] != 0x0a || uchar(d[1]) > 5 || uchar(d[2]) > 1)
        return false;
    const int bits = uchar(d[3]);
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}

bool looksLikeDib(const QByteArray& d) {
    if (d.size() < 16)
        return false;
    const quint32 size = detail::le32(reinterpret_cast<const uchar*>(d.constData()));
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool hasTgaFooter(const QByteArray& d) {
    return d.size() >= 18 + 26 && d.endsWith(QByteArray("TRUEVISION-XFILE.\0", 18));
}

}  // namespace

QImage NViewLibLoad(const QString& fileName, int flag) {
    Q_UNUSED(flag);  // the preview and the slideshows want the same picture
    QFile file;
    const qint64 expected = openRegularFile(file, fileName);
    if (expected < 0 || expected > kMaxPictureFileSize)
        return {};
    detail::LargeBuffer buffer(expected);
    if (expected > 0 && !buffer.data())
        return {};
    qint64 got = 0;
    while (got < expected) {
        const qint64 n = file.read(buffer.data() + got, expected - got);
        if (n <= 0)
            break;  // the file shrank: decode what is there
        got += n;
    }
    file.close();
    // The decoders read the bytes in place; nothing keeps them past this call.
    const QByteArray data = QByteArray::fromRawData(buffer.data(), got);

    // Formats with a signature are known by it, whatever the name says.
    if (looksLikeJpeg(data))
        return decodeJpeg(data);
    if (data.startsWith("BM"))
        return decodeBitmapFile(data);

    const QString ext = QFileInfo(fileName).suffix().toUpper();
    if (ext == QLatin1String("TGA") || hasTgaFooter(data)) {
        QImage image = decodeTga(data);
        if (!image.isNull() || hasTgaFooter(data))
            return image;
    }
    if (looksLikePcx(data))
        return decodePcx(data);
    if (looksLikeDib(data)) {
        QImage image = decodeDib(data);
        if (!image.isNull())
            return image;
    }
    // TGA has no signature: the last guess, when nothing else fits.
    return ext == QLatin1String("TGA") ? QImage() : decodeTga(data);
}

}  // namespace lumora

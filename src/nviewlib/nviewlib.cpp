#include "nviewlib/nviewlib.h"

#include "base/file_name.h"
#include "nviewlib/decode_util.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

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

// For each pixel along one axis of the result, the source pixels it covers
// and how much of each, normalised.
struct AreaWeights {
    std::vector<int> first, count, offset;
    std::vector<float> weights;
};

AreaWeights areaWeights(double extent, int sourceLength, int targetLength) {
    AreaWeights w;
    const double step = extent / targetLength;
    for (int i = 0; i < targetLength; ++i) {
        const double from = i * step, to = (i + 1) * step;
        const int first = std::min(int(from), sourceLength - 1);
        const int last = std::clamp(int(std::ceil(to)) - 1, first, sourceLength - 1);
        w.first.push_back(first);
        w.count.push_back(last - first + 1);
        w.offset.push_back(int(w.weights.size()));
        double total = 0;
        for (int s = first; s <= last; ++s)
            total += std::max(0.0, std::min<double>(s + 1, to) - std::max<double>(s, from));
        for (int s = first; s <= last; ++s) {
            const double covered = std::min<double>(s + 1, to) - std::max<double>(s, from);
            w.weights.push_back(total > 0 ? float(std::max(0.0, covered) / total) : 1.0f);
        }
    }
    return w;
}

}  // namespace

QImage scaledExtent(const QImage& image, QSizeF extent, QSize size) {
    if (image.isNull() || size.isEmpty())
        return {};
    if (extent.isEmpty() || extent == QSizeF(image.size()))
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const AreaWeights across = areaWeights(extent.width(), source.width(), size.width());
    const AreaWeights down = areaWeights(extent.height(), source.height(), size.height());
    QImage result = detail::allocImage(size.width(), size.height(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    // Across each source row first, then down the columns of that.
    const size_t rowFloats = size_t(size.width()) * 3;
    std::vector<float> rows(size_t(source.height()) * rowFloats);
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        float* out = rows.data() + y * rowFloats;
        for (int x = 0; x < size.width(); ++x) {
            float r = 0, g = 0, b = 0;
            for (int k = 0; k < across.count[x]; ++k) {
                const QRgb pixel = line[across.first[x] + k];
                const float weight = across.weights[across.offset[x] + k];
                r += weight * qRed(pixel), g += weight * qGreen(pixel), b += weight * qBlue(pixel);
            }
            out[3 * x] = r, out[3 * x + 1] = g, out[3 * x + 2] = b;
        }
    }
    const auto level = [](float v) { return std::clamp(int(v + 0.5f), 0, 255); };
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            float r = 0, g = 0, b = 0;
            for (int k = 0; k < down.count[y]; ++k) {
                const float* in = rows.data() + (down.first[y] + k) * rowFloats + 3 * x;
                const float weight = down.weights[down.offset[y] + k];
                r += weight * in[0], g += weight * in[1], b += weight * in[2];
            }
            line[x] = qRgb(level(r), level(g), level(b));
        }
    }
    return result;
}

QRect centredVisiblePart(QSize fullSize, QSize viewSize) {
    // The same rounding as the views' own centring: the offset is halved
    // towards zero.
    const QPoint offset((viewSize.width() - fullSize.width()) / 2,
                        (viewSize.height() - fullSize.height()) / 2);
    return QRect(QPoint(0, 0), fullSize).intersected(QRect(-offset, viewSize));
}

namespace {

QImage decodeByContent(const QByteArray& data, const QString& ext) {
    if (data.startsWith("BM"))
        return decodeBitmapFile(data);
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

// Formats without a smaller decode are decoded whole; a centred view keeps
// only the part it shows.
PicturePart partOf(QImage whole, const PictureNeed& need) {
    PicturePart part;
    if (whole.isNull())
        return part;
    part.fullSize = whole.size();
    part.region = QRect(QPoint(0, 0), part.fullSize);
    if (need.kind == PictureNeed::Kind::CentredIn && !need.size.isEmpty()) {
        part.region = centredVisiblePart(part.fullSize, need.size);
        if (part.region.size() != part.fullSize)
            whole = whole.copy(part.region);
    }
    part.image = std::move(whole);
    return part;
}

PicturePart decodeBytes(const QByteArray& data, const QString& ext, PictureFile::Reader reader,
                        const PictureNeed& need) {
    if (reader == PictureFile::Reader::BitmapFile)
        return partOf(decodeBitmapFile(data), need);
    // Formats with a signature are known by it, whatever the name says.
    if (looksLikeJpeg(data))
        return decodeJpeg(data, need);
    return partOf(decodeByContent(data, ext), need);
}

QString upperSuffix(const QString& fileName) {
    return QFileInfo(fileName).suffix().toUpper();
}

}  // namespace

PicturePart NViewLibLoad(const QString& fileName, int flag, const PictureNeed& need) {
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
    return decodeBytes(data, upperSuffix(fileName), PictureFile::Reader::Any, need);
}

QImage NViewLibLoad(const QString& fileName, int flag) {
    return NViewLibLoad(fileName, flag, PictureNeed::whole()).image;
}

PictureFile::PictureFile(QByteArray bytes, const QString& fileName, Reader reader)
    : bytes_(std::move(bytes)), extension_(upperSuffix(fileName)), reader_(reader) {}

std::shared_ptr<const PictureFile> PictureFile::read(const QString& path, Reader reader) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0 || size > kMaxPictureFileSize)
        return nullptr;
    QByteArray bytes;
    try {
        bytes = file.read(size);  // a file that shrank: what is there
    } catch (const std::bad_alloc&) {
        return nullptr;  // no memory for it: no picture, as for a broken file
    }
    return std::shared_ptr<const PictureFile>(new PictureFile(std::move(bytes), path, reader));
}

PicturePart PictureFile::decode(const PictureNeed& need) const {
    return decodeBytes(bytes_, extension_, reader_, need);
}

}  // namespace lumora

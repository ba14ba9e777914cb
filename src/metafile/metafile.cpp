#include "metafile/metafile.h"

#include "base/file_name.h"
#include "metafile/metafile_gdi.h"

#include <QFile>
#include <QPainter>

#include <cmath>

namespace lumora {
namespace mf {

QSize naturalSize(QSizeF pixels) {
    double w = std::fabs(pixels.width()), h = std::fabs(pixels.height());
    if (!std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0)
        return QSize();
    const double limit = Metafile::maxSide();
    const double shrink = std::max(w, h) > limit ? limit / std::max(w, h) : 1.0;
    w *= shrink;
    h *= shrink;
    return QSize(std::max(1, int(std::lround(w))), std::max(1, int(std::lround(h))));
}

}  // namespace mf

namespace {
// Files bigger than this are not pictures anyone made; the viewer has no
// business holding them in memory.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;
}  // namespace

Metafile::Metafile() = default;
Metafile::~Metafile() = default;
Metafile::Metafile(const Metafile&) = default;
Metafile& Metafile::operator=(const Metafile&) = default;

Metafile Metafile::fromData(const QByteArray& bytes) {
    auto data = std::make_shared<mf::MetafileData>();
    data->bytes = bytes;
    Metafile m;
    if (mf::readEmfHeader(*data) || mf::readWmfHeader(*data))
        m.d_ = std::move(data);
    return m;
}

Metafile Metafile::fromFile(const QString& path) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0 || size > kMaxFileSize)
        return Metafile();
    return fromData(file.readAll());
}

bool Metafile::isNull() const {
    return !d_;
}

Metafile::Format Metafile::format() const {
    return d_ ? d_->format : Format::None;
}

QSize Metafile::size() const {
    return d_ ? d_->size : QSize();
}

void Metafile::play(QPainter& painter, const QRectF& target) const {
    if (!d_ || !painter.isActive() || !target.isValid() || d_->frame.isEmpty())
        return;
    mf::Budget budget;
    mf::Player player(&painter, target, *d_, budget);
    if (d_->format == Format::Emf)
        mf::playEmf(*d_, player);
    else
        mf::playWmf(*d_, player);
}

QImage Metafile::toImage(const QSize& size, QColor background) const {
    if (!d_ || size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(background);
    QPainter painter(&image);
    play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

}  // namespace lumora

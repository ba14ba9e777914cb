// JPEG bytes into the preview decoder, the 256-colour reload decoder and the
// decodes of only what a view shows (scaled for a stretched view, cut for a
// centred one), whose promises about sizes are checked.
#include "fuzz_check.h"
#include "nviewlib/nviewlib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage image = lumora::decodeJpeg(bytes);
    if (!image.isNull())
        (void)image.pixel(image.width() - 1, image.height() - 1);
    (void)lumora::decodeJpegQuantized(bytes);

    const QSize view(97, 61);
    const lumora::PicturePart scaled =
        lumora::decodeJpeg(bytes, lumora::PictureNeed::scaledTo(view));
    if (!scaled.image.isNull()) {
        check(scaled.image.width() <= scaled.fullSize.width());
        check(scaled.image.height() <= scaled.fullSize.height());
        (void)scaled.image.pixel(scaled.image.width() - 1, scaled.image.height() - 1);
    }
    const lumora::PicturePart cut = lumora::decodeJpeg(bytes, lumora::PictureNeed::centredIn(view));
    if (!cut.image.isNull()) {
        check(cut.image.size() == cut.region.size());
        check(cut.region == lumora::centredVisiblePart(cut.fullSize, view));
        (void)cut.image.pixel(cut.image.width() - 1, cut.image.height() - 1);
    }
    return 0;
}

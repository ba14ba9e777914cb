// JPEG bytes into the preview decoder and the 256-colour reload decoder.
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
    return 0;
}

// PCX bytes into the decoder.
#include "nviewlib/nviewlib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QImage image = lumora::decodePcx(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!image.isNull())
        (void)image.pixel(image.width() - 1, image.height() - 1);
    return 0;
}

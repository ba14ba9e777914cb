// Windows bitmap bytes (BMP file, packed DIB, RLE4/RLE8) into the decoders.
#include "nviewlib/nviewlib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage file = lumora::decodeBitmapFile(bytes);
    if (!file.isNull())
        (void)file.pixel(file.width() - 1, file.height() - 1);
    // The same bytes without the 14-byte file header, as a packed DIB.
    if (size > 14)
        (void)lumora::decodeDib(bytes.mid(14));
    return 0;
}

// A slideshow or sound list as arbitrary bytes: read, write back, read again.
#include "slideshow/path_list_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList entries = lumora::parsePathList(bytes);
    if (entries.size() > bytes.size())
        std::abort();
    const auto written = lumora::formatPathList(entries);
    // Entries that came from a file can always go back into one.
    if (!written)
        std::abort();
    if (lumora::parsePathList(*written) != entries)
        std::abort();
    return 0;
}

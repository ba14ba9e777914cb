// A 16-bit program or icon library (NE) as arbitrary bytes, its icons extracted.
#include "icons_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lumora::fuzz::extractIcons(data, size, lumora::IconFileKind::Ne);
    return 0;
}

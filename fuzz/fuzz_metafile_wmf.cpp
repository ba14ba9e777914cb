// A WMF (placeable or plain) as arbitrary bytes, played as a picture.
#include "metafile_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lumora::fuzz::startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lumora::fuzz::playMetafile(data, size, false);
    return 0;
}

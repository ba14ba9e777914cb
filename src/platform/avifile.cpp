#include "platform/avifile.h"

#include "platform/mci.h"
#include "platform/mci_stream.h"

namespace lumora {

namespace {

// value x multiply / divide, rounded to the nearest; 0 for a zero divisor.
int64_t mulDiv(int64_t value, int64_t multiply, int64_t divide) {
    if (divide == 0)
        return 0;
    const __int128 product = __int128(value) * multiply;
    const __int128 half = divide / 2;
    return int64_t(product >= 0 ? (product + half) / divide : (product - half) / divide);
}

}  // namespace

int64_t AviStream::sampleToTime(int64_t sample) const {
    const AviStreamInfo i = info();
    return mulDiv(sample, int64_t(i.scale) * 1000, i.rate);
}

int64_t AviStream::timeToSample(int64_t ms) const {
    const AviStreamInfo i = info();
    return mulDiv(ms, i.rate, int64_t(i.scale) * 1000);
}

std::unique_ptr<AviFile> openAviFile(const QString& path) {
    try {
        int64_t size = 0;
        mci_internal::FileHandle file = mci_internal::openMediaFile(path, &size);
        return mci_internal::mediaBackend(path).openAviFile(std::move(file), path);
    } catch (const EMciError&) {
        return nullptr;
    }
}

}  // namespace lumora

#include "platform/waveout.h"

#include "platform/mci.h"
#include "platform/mci_stream.h"

namespace lumora {

std::unique_ptr<WaveOut> openWaveOut(const WaveFormat& format, WaveOut::Done done) {
    try {
        return mci_internal::mediaBackend(QString()).openWaveOut(format, std::move(done));
    } catch (const EMciError&) {
        return nullptr;
    }
}

}  // namespace lumora

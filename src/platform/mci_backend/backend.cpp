#include "platform/mci_backend/backend.h"

#include "platform/audio_out.h"

namespace lumora {

const mci_internal::MediaBackend& mci_internal::linkedMediaBackend() {
    static const MediaBackend table{openFfmpegStream, openMidiStream,
                                    [](AudioSource* source) { AudioOut::instance().start(source); },
                                    [](AudioSource* source) { AudioOut::instance().stop(source); }};
    return table;
}

}  // namespace lumora

#include "platform/mci_backend/backend.h"

// The one symbol the program looks up in liblumora-media.so.
extern "C" __attribute__((visibility("default"))) const lumora::mci_internal::MediaBackend*
lumora_media_backend() {
    return &lumora::mci_internal::linkedMediaBackend();
}

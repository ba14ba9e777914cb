// Only in the linked back end of tests and benchmarks: the module is loaded
// by the program, which installs it itself.
#include "platform/mci_backend/backend.h"

namespace lumora {

void useLinkedMediaBackend() {
    mci_internal::setMediaBackend(&mci_internal::linkedMediaBackend());
}

}  // namespace lumora

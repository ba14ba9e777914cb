#include "platform/mci.h"
#include "platform/mci_stream.h"

#include <dlfcn.h>
#include <unistd.h>

namespace lumora::mci_internal {

namespace {

const MediaBackend* installed = nullptr;

// The program and its media module are built and installed side by side.
QByteArray modulePath() {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || length == sizeof self)
        return QByteArrayLiteral("liblumora-media.so");
    const QByteArray program(self, length);
    return program.left(program.lastIndexOf('/') + 1) + "liblumora-media.so";
}

}  // namespace

void setMediaBackend(const MediaBackend* backend) {
    installed = backend;
}

const MediaBackend& mediaBackend(const QString& path) {
    if (installed)
        return *installed;
    // Kept loaded for the rest of the run: its threads and the sound output live there.
    const QByteArray module = modulePath();
    void* handle = ::dlopen(module.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw EMciError::noMediaSupport(path, QString::fromLocal8Bit(::dlerror()));
    using Entry = const MediaBackend* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "lumora_media_backend"));
    if (!entry) {
        const QString why = QString::fromLocal8Bit(::dlerror());
        ::dlclose(handle);
        throw EMciError::noMediaSupport(path, why);
    }
    installed = entry();
    return *installed;
}

}  // namespace lumora::mci_internal

#include "base/file_name.h"
#include "platform/mci.h"
#include "platform/mci_stream.h"
#include "platform/program_files.h"

#include <dlfcn.h>

namespace lumora::mci_internal {

namespace {

const MediaBackend* installed = nullptr;

// Beside the program in a build tree, in lib/lumora/ of its prefix when installed.
QByteArray modulePath() {
    return encodeFileName(programFile(QStringLiteral("liblumora-media.so"),
                                      QStringLiteral("lib/lumora/liblumora-media.so")));
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

// Arbitrary bytes opened as an AVI file by the reader the AVI view uses (in
// the media module: FFmpeg's AVI demuxer and the file protocol only), from a
// file in memory. Frames are asked forward, back and past the end, sound
// from the start and the middle. Besides crashes, sanitizer reports, slow
// units and large allocations, a picture over the size limit or more sound
// than asked for is a finding.
#include "platform/avifile.h"
#include "platform/mci_backend/backend.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumora;
    static const int fd = [] {
        useLinkedMediaBackend();
        return ::memfd_create("fuzz.avi", MFD_CLOEXEC);
    }();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    const std::unique_ptr<AviFile> file = openAviFile(QStringLiteral("/proc/self/fd/%1").arg(fd));
    if (!file)
        return 0;
    if (AviVideoStream* video = file->videoStream()) {
        const int64_t length = video->info().length;
        for (int64_t n : {int64_t(0), int64_t(5), int64_t(1), length - 1, length + 10}) {
            const QImage frame = video->frame(n);
            if (frame.width() > AviVideoStream::kMaxFrameSide ||
                frame.height() > AviVideoStream::kMaxFrameSide)
                std::abort();
        }
    }
    if (AviAudioStream* audio = file->audioStream()) {
        const AviStreamInfo info = audio->info();
        if (info.sampleSize != audio->format().blockAlign() || info.sampleSize <= 0)
            std::abort();
        constexpr int64_t kCount = 4096;
        std::vector<char> out(size_t(kCount * info.sampleSize));
        for (int64_t first : {int64_t(0), info.length / 2, int64_t(100)})
            if (audio->read(first, kCount, out.data()) > kCount)
                std::abort();
    }
    return 0;
}

#include "nviewlib/decode_util.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace lumora::detail {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kHugeFrom = size_t(4) << 20;  // below this, malloc's pages are fine

// An anonymous mapping aligned to a huge page; null when there is none.
void* mapHuge(size_t size, size_t* mapped) {
    const size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    const size_t reserve = rounded + kHugePage;
    void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    if (start + reserve > aligned + rounded)
        munmap(reinterpret_cast<void*>(aligned + rounded), start + reserve - aligned - rounded);
    madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
    *mapped = rounded;
    return reinterpret_cast<void*>(aligned);
}

struct Mapping {
    void* start;
    size_t size;
};

void unmapImage(void* info) {
    auto* m = static_cast<Mapping*>(info);
    munmap(m->start, m->size);
    delete m;
}

}  // namespace

QImage allocImage(qint64 width, qint64 height, QImage::Format format) {
    if (width <= 0 || height <= 0 || width > 0x7fffffff / 4 || height > 0x7fffffff ||
        width * height > kMaxPixels)
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = ((width * depth + 31) / 32) * 4;
    const qint64 bytes = bytesPerLine * height;
    if (bytes < qint64(kHugeFrom))
        return QImage(int(width), int(height), format);
    size_t mapped = 0;
    void* p = mapHuge(size_t(bytes), &mapped);
    if (!p)
        return {};
    auto* info = new (std::nothrow) Mapping{p, mapped};
    if (!info) {
        munmap(p, mapped);
        return {};
    }
    QImage image(static_cast<uchar*>(p), int(width), int(height), bytesPerLine, format, unmapImage,
                 info);
    if (image.isNull())
        unmapImage(info);
    return image;
}

void Prefault::start(QImage& image) {
    constexpr qsizetype kWorthIt = qsizetype(16) << 20;
    if (image.isNull() || image.sizeInBytes() < kWorthIt || thread_.joinable())
        return;
    const auto begin = reinterpret_cast<uintptr_t>(image.bits()) & ~uintptr_t(4095);
    const uintptr_t end = reinterpret_cast<uintptr_t>(image.bits()) + size_t(image.sizeInBytes());
    try {
        thread_ = std::thread([begin, end] {
            for (uintptr_t at = begin; at < end; at += kHugePage) {
                const size_t n = std::min<uintptr_t>(kHugePage, end - at);
                if (madvise(reinterpret_cast<void*>(at), n, MADV_POPULATE_WRITE) != 0)
                    return;  // an older kernel: the decoder faults the pages itself
            }
        });
    } catch (const std::system_error&) {
        // No thread: the decoder faults the pages in itself.
    }
}

Prefault::~Prefault() {
    if (thread_.joinable())
        thread_.join();
}

LargeBuffer::LargeBuffer(qint64 size) {
    if (size <= 0)
        return;
    if (size_t(size) >= kHugeFrom) {
        data_ = static_cast<char*>(mapHuge(size_t(size), &mapped_));
        if (data_)
            return;
        mapped_ = 0;
    }
    data_ = new (std::nothrow) char[size_t(size)];
}

LargeBuffer::~LargeBuffer() {
    if (mapped_)
        munmap(data_, mapped_);
    else
        delete[] data_;
}

}  // namespace lumora::detail

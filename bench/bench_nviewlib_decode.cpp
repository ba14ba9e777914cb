// Decoder speed: a 24-megapixel JPEG against the djpeg program on the same
// file, and 12-megapixel TGA and PCX pictures. The pictures are made by
// ImageMagick at run time.

#include "bench_pictures.h"
#include "nviewlib/nviewlib.h"

#include <QFile>
#include <QTemporaryDir>

#include <time.h>

namespace {

using lumora::bench::Times;
using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// One NViewLibLoad of the file.
bool runLoad(const QString& path, Times& times) {
    const double cpu0 = processCpuMs();
    const auto start = Clock::now();
    const QImage image = lumora::NViewLibLoad(path, 1);
    const double wall = lumora::bench::msSince(start);
    const double cpu = processCpuMs() - cpu0;
    if (image.isNull())
        return false;
    times.keepBest(wall, cpu);
    return true;
}

bool loadBest(const QString& path, Times& times) {
    for (int i = 0; i < kRounds; ++i)
        if (!runLoad(path, times))
            return false;
    return true;
}

}  // namespace

int main() {
    using lumora::bench::report;
    using lumora::bench::wanted;
    QTemporaryDir dir;
    const bool jpeg = wanted("jpeg_24mp_decode_vs_djpeg_ratio");
    const bool tga = wanted("tga_12mp_decode_ms");
    const bool pcx = wanted("pcx_12mp_decode_ms");

    if (jpeg) {
        const QString path = dir.filePath(QStringLiteral("24mp.jpg"));
        if (!lumora::bench::makePicture(path, "6000x4000",
                                        {QStringLiteral("-quality"), QStringLiteral("90")}))
            return 1;
        const QByteArray native = QFile::encodeName(path);
        Times ours, theirs;
        // Interleaved so that both see the same machine load.
        for (int i = 0; i < kRounds; ++i)
            if (!lumora::bench::runDjpeg(native, theirs) || !runLoad(path, ours))
                return 1;
        report("jpeg_24mp_decode_ms", ours.wallMs, "ms");
        report("jpeg_24mp_djpeg_ms", theirs.wallMs, "ms");
        report("jpeg_24mp_decode_vs_djpeg_ratio", ours.wallMs / theirs.wallMs, "ratio");
        report("jpeg_24mp_decode_cpu_ms", ours.cpuMs, "ms");
        report("jpeg_24mp_djpeg_cpu_ms", theirs.cpuMs, "ms");
        report("jpeg_24mp_decode_vs_djpeg_cpu_ratio", ours.cpuMs / theirs.cpuMs, "ratio");
    }
    if (tga) {
        const QString rle = dir.filePath(QStringLiteral("12mp-rle.tga"));
        const QString raw = dir.filePath(QStringLiteral("12mp.tga"));
        if (!lumora::bench::makePicture(rle, "4000x3000",
                                        {QStringLiteral("-type"), QStringLiteral("truecolor"),
                                         QStringLiteral("-compress"), QStringLiteral("RLE")}) ||
            !lumora::bench::convert(
                {rle, QStringLiteral("-compress"), QStringLiteral("none"), raw}))
            return 1;
        // The figure is the slower of the two: RLE true colour.
        Times packed, plain;
        if (!loadBest(rle, packed) || !loadBest(raw, plain))
            return 1;
        report("tga_12mp_decode_ms", packed.wallMs, "ms");
        report("tga_12mp_decode_cpu_ms", packed.cpuMs, "ms");
        report("tga_12mp_raw_decode_ms", plain.wallMs, "ms");
        report("tga_12mp_raw_decode_cpu_ms", plain.cpuMs, "ms");
    }
    if (pcx) {
        const QString path = dir.filePath(QStringLiteral("12mp.pcx"));
        if (!lumora::bench::makePicture(path, "4000x3000",
                                        {QStringLiteral("-type"), QStringLiteral("truecolor")}))
            return 1;
        Times times;
        if (!loadBest(path, times))
            return 1;
        report("pcx_12mp_decode_ms", times.wallMs, "ms");
        report("pcx_12mp_decode_cpu_ms", times.cpuMs, "ms");
    }
    return 0;
}

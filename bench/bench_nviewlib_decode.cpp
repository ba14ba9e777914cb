// Decoder speed: a 24-megapixel JPEG against the djpeg program on the same
// file, and 12-megapixel TGA and PCX pictures. The pictures are made by
// ImageMagick at run time.

#include "bench_report.h"
#include "nviewlib/nviewlib.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

// The machine is shared: besides wall time we give the CPU time (user and
// system) of each side, which other processes' load does not stretch.
struct Times {
    double wallMs = 1e300;
    double cpuMs = 1e300;
    void keepBest(double wall, double cpu) {
        wallMs = std::min(wallMs, wall);
        cpuMs = std::min(cpuMs, cpu);
    }
};

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

bool convert(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("convert"), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "convert %s failed: %s\n", qPrintable(args.join(' ')),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// One whole djpeg process writing its picture to /dev/null.
bool runDjpeg(const QByteArray& path, Times& times) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("djpeg"), const_cast<char*>(path.constData()), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "djpeg", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = lumora::bench::msSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    const double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    times.keepBest(wall, cpu);
    return true;
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

// A photo-like picture: smooth areas and some fine grain.
bool makePicture(const QString& out, const char* size, const QStringList& options) {
    QStringList args = {QStringLiteral("-seed"),
                        QStringLiteral("1"),
                        QStringLiteral("-size"),
                        QStringLiteral("600x400"),
                        QStringLiteral("plasma:fractal"),
                        QStringLiteral("-resize"),
                        QLatin1String(size) + QLatin1Char('!'),
                        QStringLiteral("-attenuate"),
                        QStringLiteral("0.4"),
                        QStringLiteral("+noise"),
                        QStringLiteral("Gaussian")};
    return convert(args + options + QStringList{out});
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
        if (!makePicture(path, "6000x4000", {QStringLiteral("-quality"), QStringLiteral("90")}))
            return 1;
        const QByteArray native = QFile::encodeName(path);
        Times ours, theirs;
        // Interleaved so that both see the same machine load.
        for (int i = 0; i < kRounds; ++i)
            if (!runDjpeg(native, theirs) || !runLoad(path, ours))
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
        if (!makePicture(rle, "4000x3000",
                         {QStringLiteral("-type"), QStringLiteral("truecolor"),
                          QStringLiteral("-compress"), QStringLiteral("RLE")}) ||
            !convert({rle, QStringLiteral("-compress"), QStringLiteral("none"), raw}))
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
        if (!makePicture(path, "4000x3000", {QStringLiteral("-type"), QStringLiteral("truecolor")}))
            return 1;
        Times times;
        if (!loadBest(path, times))
            return 1;
        report("pcx_12mp_decode_ms", times.wallMs, "ms");
        report("pcx_12mp_decode_cpu_ms", times.cpuMs, "ms");
    }
    return 0;
}

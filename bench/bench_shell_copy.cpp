// Copying a 1 GiB file: ours (blocks of kCopyBlockSize, flushed to disk and
// renamed into place) against `cp --reflink=never` of the same file followed
// by `sync` of the copy, alternately, three times each. The ratio is cp's
// median time over ours: 1.0 is as fast as cp, above is faster.
#include "bench_report.h"
#include "shell/file_copier.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace lumora;
using Clock = std::chrono::steady_clock;

constexpr qint64 kSize = 1LL << 30;

bool run(std::vector<const char*> argv) {
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv.data()), environ) !=
        0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Bytes that neither compress nor dedupe, written and flushed once.
bool makeSource(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    QByteArray block(8 << 20, Qt::Uninitialized);
    quint64 state = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (qint64 written = 0; ok && written < kSize; written += block.size()) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (qsizetype i = 0; i < block.size() / 8; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            words[i] = state;
        }
        ok = ::write(fd, block.constData(), size_t(block.size())) == block.size();
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    if (!bench::wanted("copy_1gib_ratio_vs_cp"))
        return 0;
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/lumora-bench-copy-XXXXXX"));
    const QByteArray source = QFile::encodeName(folder.filePath(QStringLiteral("source.bin")));
    const QByteArray byCp = QFile::encodeName(folder.filePath(QStringLiteral("cp.bin")));
    const QByteArray byUs = QFile::encodeName(folder.filePath(QStringLiteral("ours.bin")));
    if (!folder.isValid() || !makeSource(source)) {
        std::fprintf(stderr, "cannot write the 1 GiB source in %s\n", qPrintable(folder.path()));
        return 1;
    }

    std::vector<double> cpSeconds, ourSeconds;
    for (int round = 0; round < 3; ++round) {
        const auto timeCp = [&] {
            const auto start = Clock::now();
            if (!run({"cp", "--reflink=never", source.constData(), byCp.constData()}) ||
                !run({"sync", byCp.constData()}))
                std::fprintf(stderr, "cp failed\n");
            cpSeconds.push_back(bench::msSince(start) / 1000);
            ::unlink(byCp.constData());
        };
        const auto timeUs = [&] {
            const auto start = Clock::now();
            FileCopier copier(QFile::decodeName(source), QFile::decodeName(byUs));
            if (copier.open() != CopyOutcome::Done ||
                copier.copy(true, [](qint64) {}) != CopyOutcome::Done)
                std::fprintf(stderr, "our copy failed\n");
            ourSeconds.push_back(bench::msSince(start) / 1000);
            ::unlink(byUs.constData());
        };
        // Each goes first in turn, so that neither always meets the other's writeback.
        if (round % 2 == 0) {
            timeCp();
            timeUs();
        } else {
            timeUs();
            timeCp();
        }
        ::sync();
    }
    ::unlink(source.constData());

    bench::report("copy_1gib_cp_s", median(cpSeconds), "s");
    bench::report("copy_1gib_ours_s", median(ourSeconds), "s");
    bench::report("copy_1gib_ratio_vs_cp", median(cpSeconds) / median(ourSeconds), "x");
    return 0;
}

#pragma once

// Test pictures made by ImageMagick and the djpeg program as the yardstick
// of JPEG decoding speed.

#include "bench_report.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumora::bench {

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

inline bool convert(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("convert"), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "convert %s failed: %s\n", qPrintable(args.join(' ')),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// A photo-like picture: smooth areas and some fine grain.
inline bool makePicture(const QString& out, const char* size, const QStringList& options) {
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

// count different 12-megapixel photo-like JPEGs, folder/<stem>1.jpg and on;
// empty when ImageMagick cannot make them.
inline QStringList makeJpegs12mp(const QString& folder, const char* stem, int count) {
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
        const QString path = folder + u'/' + QLatin1String(stem) + QString::number(i) + ".jpg";
        if (!convert({QStringLiteral("-seed"), QString::number(i), QStringLiteral("-size"),
                      QStringLiteral("4000x3000"), QStringLiteral("plasma:fractal"),
                      QStringLiteral("-quality"), QStringLiteral("90"), path}))
            return {};
        paths << path;
    }
    return paths;
}

// One whole djpeg process writing its picture to /dev/null.
inline bool runDjpeg(const QByteArray& path, Times& times) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("djpeg"), const_cast<char*>(path.constData()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "djpeg", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = msSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    const double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    times.keepBest(wall, cpu);
    return true;
}

}  // namespace lumora::bench

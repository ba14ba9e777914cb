#pragma once

// The event loop of a benchmark: running it a while, waiting on it, and the
// CPU time the process takes meanwhile.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>

#include <sys/resource.h>

namespace lumora::bench {

// Runs the event loop for ms milliseconds.
inline void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for ms and returns the CPU used meanwhile, in percent of one core.
inline double cpuPercentFor(int ms) {
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(ms);
    return 100.0 * (cpuSeconds() - cpu) / (double(wall.nsecsElapsed()) / 1e9);
}

// Runs the event loop until done() holds or timeoutMs have passed.
inline void waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
}

}  // namespace lumora::bench

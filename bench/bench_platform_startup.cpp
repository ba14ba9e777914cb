// Start-up time, idle CPU and idle memory of the real program on an X server.
#include "bench_report.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <vector>

namespace {

// The program with its start-up probe (startup_probe.cpp).
QString program() {
    return qEnvironmentVariable("LUMORA_BUILD_DIR", QStringLiteral(".")) +
           QStringLiteral("/bench/lumora-startup-probe");
}

// Starts the program in a home of its own; returns ms until its window was shown, or -1.
double startAndWait(QProcess& process, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    QElapsedTimer clock;
    clock.start();
    process.start(program(), {});
    while (clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000))
            break;
        if (process.readAll().contains("main window shown"))
            return double(clock.nsecsElapsed()) / 1e6;
    }
    return -1;
}

double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           double(sysconf(_SC_CLK_TCK));
}

double rssMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(3000);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumora::bench;
    QCoreApplication app(argc, argv);
    QTemporaryDir home;

    if (wanted("startup_to_main_window_ms")) {
        std::vector<double> times;
        for (int run = 0; run < 7; ++run) {
            QProcess process;
            const double ms = startAndWait(process, home.path());
            stop(process);
            if (ms >= 0)
                times.push_back(ms);
        }
        if (times.empty()) {
            std::printf("startup_to_main_window_ms: failed (no window)\n");
        } else {
            std::sort(times.begin(), times.end());
            report("startup_to_main_window_ms", times[times.size() / 2], "ms");
        }
    }

    if (wanted("idle_cpu_percent") || wanted("idle_rss_mb")) {
        QProcess process;
        if (startAndWait(process, home.path()) < 0) {
            std::printf("idle_cpu_percent: failed (no window)\n");
            return 1;
        }
        QThread::sleep(2);  // let start-up work settle
        const qint64 pid = process.processId();
        const double before = cpuSeconds(pid);
        QElapsedTimer clock;
        clock.start();
        QThread::sleep(10);
        const double used = cpuSeconds(pid) - before;
        const double seconds = double(clock.elapsed()) / 1000.0;
        if (wanted("idle_cpu_percent"))
            report("idle_cpu_percent", 100.0 * used / seconds, "%");
        if (wanted("idle_rss_mb"))
            report("idle_rss_mb", rssMb(pid), "MB");
        stop(process);
    }
    return 0;
}

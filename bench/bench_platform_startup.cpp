// Start-up time, idle memory and idle CPU of the real program on an X server,
// each against a bare Qt main window (bare_qt_window.cpp) started alternately
// in the same run, so that a busy machine moves both sides alike.
#include "bench_pictures.h"
#include "bench_report.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <vector>

namespace {

constexpr int kRuns = 9;

QString built(const char* name) {
    return qEnvironmentVariable("LUMORA_BUILD_DIR", QStringLiteral(".")) +
           QStringLiteral("/bench/") + QLatin1String(name);
}

// Starts a program in a home of its own; returns ms until its window was shown, or -1.
double startAndWait(QProcess& process, const QString& program, const QString& home,
                    const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    QByteArray said;
    while (clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20000))
            break;
        said += process.readAll();
        if (said.contains("main window shown"))
            return double(clock.nsecsElapsed()) / 1e6;
    }
    return -1;
}

// CPU time of every thread of a process, in nanoseconds as the scheduler
// counts it (the clock ticks of /proc/PID/stat are 10 ms, too coarse for an
// idle program).
double cpuSeconds(qint64 pid) {
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task) + QStringLiteral("/schedstat"));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

// A memory line of /proc/PID/status ("VmRSS", "VmHWM") in megabytes.
double statusMb(qint64 pid, const QByteArray& key = "VmRSS") {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = key + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(3000);
}

// Resident memory of a program two seconds after its window showed, once
// start-up work has settled; -1 when it showed none.
double settledRssMb(const QString& program, const QString& home) {
    QProcess process;
    if (startAndWait(process, program, home) < 0)
        return -1;
    QThread::sleep(2);
    const double mb = statusMb(process.processId());
    stop(process);
    return mb;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumora::bench;
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString lumora = built("lumora-startup-probe");
    const QString bare = built("bare-qt-window");

    if (wanted("startup_vs_bare_qt_ratio")) {
        std::vector<double> ours, theirs;
        for (int run = 0; run < kRuns; ++run) {
            for (const QString& program : {lumora, bare}) {
                QProcess process;
                const double ms = startAndWait(process, program, home.path());
                stop(process);
                if (ms >= 0)
                    (program == lumora ? ours : theirs).push_back(ms);
            }
        }
        if (ours.size() < kRuns || theirs.size() < kRuns) {
            std::printf("startup_vs_bare_qt_ratio: failed (no window)\n");
        } else {
            const double oursMs = median(ours, "startup lumora ms");
            const double bareMs = median(theirs, "startup bare qt ms");
            report("startup_to_main_window_ms", oursMs, "ms");
            report("startup_bare_qt_ms", bareMs, "ms");
            report("startup_vs_bare_qt_ratio", oursMs / bareMs, "ratio");
        }
    }

    if (wanted("idle_rss_over_bare_qt_mb")) {
        std::vector<double> ours, theirs;
        for (int run = 0; run < 3; ++run) {
            ours.push_back(settledRssMb(lumora, home.path()));
            theirs.push_back(settledRssMb(bare, home.path()));
        }
        const double oursMb = median(ours, "idle rss lumora MB");
        const double bareMb = median(theirs, "idle rss bare qt MB");
        report("idle_rss_mb", oursMb, "MB");
        report("idle_rss_bare_qt_mb", bareMb, "MB");
        report("idle_rss_over_bare_qt_mb", oursMb - bareMb, "MB");
    }

    if (wanted("preview_24mp_peak_rss_mb")) {
        // The program started on a 24-megapixel picture, which its preview
        // shows stretched (the stored default): the most memory it ever held.
        const QString picture = home.path() + QStringLiteral("/pictures/24mp.jpg");
        QDir().mkpath(home.path() + QStringLiteral("/pictures"));
        if (!makePicture(picture, "6000x4000", {QStringLiteral("-quality"), QStringLiteral("90")}))
            return 1;
        QProcess process;
        QByteArray said;
        if (startAndWait(process, lumora, home.path(), {picture}) >= 0)
            while (!said.contains("preview ") && process.waitForReadyRead(5000))
                said += process.readAll();
        QThread::msleep(500);
        const double peak = statusMb(process.processId(), "VmHWM");
        stop(process);
        if (!said.contains("preview 6000x4000")) {
            std::printf("preview_24mp_peak_rss_mb: failed (the picture was not shown)\n");
            return 1;
        }
        report("preview_24mp_peak_rss_mb", peak, "MB");
    }

    if (wanted("idle_cpu_percent")) {
        QProcess process;
        if (startAndWait(process, lumora, home.path()) < 0) {
            std::printf("idle_cpu_percent: failed (no window)\n");
            return 1;
        }
        QThread::sleep(2);  // let start-up work settle
        const qint64 pid = process.processId();
        const double before = cpuSeconds(pid);
        QElapsedTimer clock;
        clock.start();
        QThread::sleep(20);
        const double used = cpuSeconds(pid) - before;
        const double seconds = double(clock.elapsed()) / 1000.0;
        report("idle_cpu_percent", 100.0 * used / seconds, "%");
        stop(process);
    }
    return 0;
}

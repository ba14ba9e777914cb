// Reading a large slideshow file: 100,000 entries, and lines of 10,000 characters.
#include "bench_report.h"
#include "slideshow/path_list_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <vector>

namespace {

double medianMs(const QString& path, qsizetype expected) {
    std::vector<double> runs;
    for (int i = 0; i < 15; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const QStringList entries = lumora::readPathList(path);
        runs.push_back(lumora::bench::msSince(start));
        if (entries.size() != expected)
            return -1;
    }
    std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
    return runs[runs.size() / 2];
}

QString fileWith(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (lumora::bench::wanted("pathlist_read_100k_lines_ms")) {
        QByteArray bytes;
        for (int i = 0; i < 100000; ++i)
            bytes += "/home/user/Pictures/holiday/picture" + QByteArray::number(i) + ".jpg\r\n";
        lumora::bench::report("pathlist_read_100k_lines_ms",
                              medianMs(fileWith(dir, "many.lss", bytes), 100000), "ms");
    }
    if (lumora::bench::wanted("pathlist_read_1000_long_lines_ms")) {
        QByteArray bytes;
        for (int i = 0; i < 1000; ++i)
            bytes += QByteArray(10000, 'p') + "\r\n";
        lumora::bench::report("pathlist_read_1000_long_lines_ms",
                              medianMs(fileWith(dir, "long.lss", bytes), 1000), "ms");
    }
    return 0;
}

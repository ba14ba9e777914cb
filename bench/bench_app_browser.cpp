// Speed of the file browser: listing big folders (against readdir and a plain
// sort of the same names, in the same rounds), expanding a folder with
// thousands of subfolders, and what idle folder watchers cost.
#include "app/folder_tree.h"
#include "bench_report.h"
#include "ui/file_list_box.h"

#include <dirent.h>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace lumora;

namespace {

const QString kSupported = QStringLiteral(
    "*.BMP;*.ICO;*.WMF;*.EMF;*.WAV;*.MID;*.AVI;*.JPG;*.JIF;*.EXE;*.DLL;*.ICL;*.CUR;*.ANI;*.MPG;"
    "*.MPA;*.MPEG;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG");

// A folder of files, about half of them of kinds the supported mask takes.
QString makeFiles(const QString& root, int count) {
    const QString folder = root + QStringLiteral("/files%1").arg(count);
    QDir().mkpath(folder);
    static const char* extensions[] = {"jpg", "BMP", "wav", "txt", "doc",  "png",
                                       "Mid", "avi", "c",   "exe", "html", "dat"};
    for (int i = 0; i < count; ++i) {
        const QByteArray path = QFile::encodeName(folder) + "/File_" +
                                QByteArray::number(i * 7919 % count) + "." + extensions[i % 12];
        if (std::FILE* f = std::fopen(path.constData(), "wb"))
            std::fclose(f);
    }
    for (int i = 0; i < 20; ++i)
        QDir(folder).mkdir(QStringLiteral("sub%1").arg(i));
    return folder;
}

void settle(QWidget& widget) {
    QCoreApplication::processEvents();
    widget.repaint();
}

// The yardstick: every name of the folder read with readdir and sorted as
// plain bytes.
double readdirSortMs(const QString& folder) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> names;
    if (DIR* dir = opendir(QFile::encodeName(folder).constData())) {
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return bench::msSince(start);
}

struct Listing {
    double ms = -1;
    double readdirSortMs = -1;
};

// setDirectory until the view has laid out and painted its rows, and the
// yardstick on the same folder in the same rounds.
Listing listing(const QString& folder, const QString& empty, int expectedAtLeast) {
    TFileListBox list;
    list.resize(320, 700);
    list.setMask(kSupported);
    list.setDirectory(empty);
    list.show();
    settle(list);
    std::vector<double> runs, anchors;
    for (int run = 0; run < 7; ++run) {
        anchors.push_back(readdirSortMs(folder));
        const auto start = std::chrono::steady_clock::now();
        list.setDirectory(folder);
        settle(list);
        runs.push_back(bench::msSince(start));
        if (list.Count() < expectedAtLeast) {
            std::fprintf(stderr, "listed only %d entries\n", list.Count());
            return {};
        }
        list.setDirectory(empty);
        settle(list);
    }
    return {bench::median(runs, "listing ms"), bench::median(anchors, "readdir and sort ms")};
}

double treeExpandMs(const QString& root) {
    const QString parent = root + QStringLiteral("/tree");
    const QString big = parent + QStringLiteral("/big");
    QDir().mkpath(big);
    for (int i = 0; i < 5000; ++i) {
        QDir(big).mkdir(QStringLiteral("Folder %1").arg((i * 7919) % 5000));
        if (i % 10 == 0)
            QDir(big).mkpath(QStringLiteral("Folder %1/inner").arg((i * 7919) % 5000));
    }
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        TFolderTree tree;
        tree.resize(320, 700);
        tree.show();
        tree.setDirectory(big);
        settle(tree);
        QTreeWidgetItem* node = tree.currentItem();
        if (!node || tree.Directory() != big)
            return -1;
        const auto start = std::chrono::steady_clock::now();
        node->setExpanded(true);
        settle(tree);
        runs.push_back(bench::msSince(start));
        if (node->childCount() != 5000) {
            std::fprintf(stderr, "expanded %d children\n", node->childCount());
            return -1;
        }
    }
    return bench::median(runs);
}

double idleWatchersCpuPercent(const QString& root) {
    const QString parent = root + QStringLiteral("/watched");
    for (int i = 0; i < 200; ++i)
        QDir().mkpath(parent + QStringLiteral("/w%1/sub").arg(i));
    TFolderTree tree;
    tree.resize(320, 700);
    tree.show();
    tree.setDirectory(parent);
    QTreeWidgetItem* node = tree.currentItem();
    if (!node)
        return -1;
    node->setExpanded(true);
    for (int i = 0; i < node->childCount(); ++i)
        node->child(i)->setExpanded(true);
    settle(tree);
    std::fprintf(stderr, "%d watchers\n", tree.watcherCount());
    if (tree.watcherCount() < 200)
        return -1;

    // clock() is the CPU time of the whole process, every thread included.
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    QTimer::singleShot(10000, qApp, &QCoreApplication::quit);
    QApplication::exec();
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    return 100.0 * cpuMs / bench::msSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    const QString empty = root.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);

    if (bench::wanted("filelist_10000_ms"))
        bench::report("filelist_10000_ms", listing(makeFiles(root.path(), 10000), empty, 5000).ms,
                      "ms");
    if (bench::wanted("list_100k_vs_readdir_sort_ratio")) {
        const Listing big = listing(makeFiles(root.path(), 100000), empty, 50000);
        bench::report("list_100k_ms", big.ms, "ms");
        bench::report("list_100k_readdir_sort_ms", big.readdirSortMs, "ms");
        bench::report("list_100k_vs_readdir_sort_ratio", big.ms / big.readdirSortMs, "ratio");
    }
    if (bench::wanted("tree_expand_5000_ms"))
        bench::report("tree_expand_5000_ms", treeExpandMs(root.path()), "ms");
    if (bench::wanted("watchers_200_idle_cpu_percent"))
        bench::report("watchers_200_idle_cpu_percent", idleWatchersCpuPercent(root.path()), "%");
    return 0;
}

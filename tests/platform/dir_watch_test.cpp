#include "platform/dir_watch.h"
#include "platform/dir_entries.h"
#include "support/deep_folder.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Watches a folder and counts the calls; ends its watch when it goes.
struct Counted {
    std::atomic<int> calls{0};
    int id = 0;
    Counted(DirWatch& watch, const QString& folder,
            DirWatch::Names names = DirWatch::Names::Folders)
        : watch_(watch) {
        id = watch.add(
            folder, [this] { ++calls; }, names);
    }
    ~Counted() { watch_.remove(id); }

private:
    DirWatch& watch_;
};

class DirWatchTest : public ::testing::Test {
protected:
    DirWatch watch;  // one of our own, so counts start at zero
    test::ScratchDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(DirWatchTest, FolderNameChangesAreReportedAndFileChangesAreNot) {
    Counted counted(watch, dir.path());
    ASSERT_NE(counted.id, 0);
    // The same folder watched for every name shares the kernel's watch.
    Counted everyName(watch, dir.path(), DirWatch::Names::All);

    QFile file(path(QStringLiteral("file.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    QFile::rename(path(QStringLiteral("file.txt")), path(QStringLiteral("renamed.txt")));
    QFile::remove(path(QStringLiteral("renamed.txt")));
    EXPECT_TRUE(waitUntil([&] { return everyName.calls > 0; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(counted.calls, 0);

    int seen = 0;
    auto changed = [&] {
        const bool more = waitUntil([&] { return counted.calls > seen; });
        seen = counted.calls;
        return more;
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a")));
    EXPECT_TRUE(changed()) << "created";
    ASSERT_TRUE(QDir(dir.path()).rename(QStringLiteral("a"), QStringLiteral("b")));
    EXPECT_TRUE(changed()) << "renamed";
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("b")));
    EXPECT_TRUE(changed()) << "deleted";
    // Changes inside a subfolder belong to that folder's own watch.
    QDir(dir.path()).mkdir(QStringLiteral("c"));
    EXPECT_TRUE(changed());
    QDir(path(QStringLiteral("c"))).mkdir(QStringLiteral("deeper"));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(counted.calls, seen);
}

TEST_F(DirWatchTest, RemovedWatchIsSilentAtOnce) {
    std::atomic<int> calls{0};
    const int id = watch.add(dir.path(), [&] { ++calls; });
    ASSERT_NE(id, 0);
    EXPECT_EQ(watch.count(), 1);

    const auto start = std::chrono::steady_clock::now();
    watch.remove(id);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20ms);
    EXPECT_EQ(watch.count(), 0);

    QDir(dir.path()).mkdir(QStringLiteral("after"));
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(calls, 0);
    watch.remove(id);  // twice is harmless
}

TEST_F(DirWatchTest, TwoWatchesOfOneFolderAreIndependent) {
    // The kernel gives both the same descriptor.
    auto first = std::make_unique<Counted>(watch, dir.path());
    Counted second(watch, dir.path());
    QDir(dir.path()).mkdir(QStringLiteral("one"));
    EXPECT_TRUE(waitUntil([&] { return first->calls > 0 && second.calls > 0; }));

    first.reset();
    const int before = second.calls;
    QDir(dir.path()).mkdir(QStringLiteral("two"));
    EXPECT_TRUE(waitUntil([&] { return second.calls > before; }));
}

TEST_F(DirWatchTest, DeletedFolderReportsItselfAndCanBeWatchedAgain) {
    const QString folder = path(QStringLiteral("doomed"));
    QDir().mkpath(folder);
    {
        Counted counted(watch, folder);
        ASSERT_TRUE(QDir(folder).removeRecursively());
        EXPECT_TRUE(waitUntil([&] { return counted.calls > 0; }));
    }  // removing a watch the kernel already dropped
    QDir().mkpath(folder);
    Counted again(watch, folder);
    ASSERT_NE(again.id, 0);
    QDir(folder).mkdir(QStringLiteral("x"));
    EXPECT_TRUE(waitUntil([&] { return again.calls > 0; }));
    EXPECT_EQ(watch.add(path(QStringLiteral("missing")), [] {}), 0);
}

TEST_F(DirWatchTest, TwoHundredFoldersShareOneInstance) {
    // More watches than the default of 128 inotify instances per user.
    std::vector<std::unique_ptr<Counted>> watches;
    for (int i = 0; i < 200; ++i) {
        const QString folder = path(QStringLiteral("f%1").arg(i));
        QDir().mkpath(folder);
        watches.push_back(std::make_unique<Counted>(watch, folder));
        ASSERT_NE(watches.back()->id, 0) << i;
    }
    EXPECT_EQ(watch.count(), 200);
    QDir(path(QStringLiteral("f150"))).mkdir(QStringLiteral("new"));
    EXPECT_TRUE(waitUntil([&] { return watches[150]->calls > 0; }));
    std::this_thread::sleep_for(50ms);
    int others = 0;
    for (int i = 0; i < 200; ++i)
        if (i != 150)
            others += watches[size_t(i)]->calls;
    EXPECT_EQ(others, 0);
}

TEST_F(DirWatchTest, FolderPastPathMax) {
    const test::DeepFolder deep(dir.path(), 'w', 200, 25);
    ASSERT_TRUE(deep.isValid());
    Counted counted(watch, deep.path());
    ASSERT_NE(counted.id, 0);
    ASSERT_TRUE(deep.makeFolder("child"));
    EXPECT_TRUE(waitUntil([&] { return counted.calls > 0; }));
}

}  // namespace
}  // namespace lumora

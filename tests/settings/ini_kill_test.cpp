#include "settings/ini_file.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace lumora {
namespace {

IniDocument content(const char* tag) {
    IniDocument doc = IniDocument::parse({});
    // Big enough that a write takes a while and a kill often lands inside one.
    for (int s = 0; s < 8; ++s)
        for (int k = 0; k < 200; ++k)
            doc.writeString(QStringLiteral("section %1").arg(s), QStringLiteral("Item%1").arg(k),
                            QStringLiteral("%1 value %2 ").arg(QLatin1String(tag)).arg(k) +
                                QString(40, QLatin1Char(tag[0])));
    return doc;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

int threadCount() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    return -1;
}

struct KillOutcome {
    int writes = 0;     // writes the killed writers completed
    int found[2] = {};  // how often the file held each content
    qsizetype leftovers = 0;
};

// A writer that alternates between two contents is killed at random moments;
// every time, the file is whole and holds the content of the last completed
// write or of the one in progress.
void killWriterRepeatedly(const QString& folder, int rounds, KillOutcome& outcome) {
    const QString path = folder + QStringLiteral("/lmr1001.ini");
    const IniDocument docs[2] = {content("alpha"), content("beta")};
    const QByteArray bytes[2] = {docs[0].serialize(), docs[1].serialize()};
    IniFile ini(path);
    ini.update([&](IniDocument& doc) { doc = docs[0]; });
    ASSERT_EQ(bytesOf(path), bytes[0]);

    auto* completed = static_cast<std::atomic<int>*>(mmap(nullptr, sizeof(std::atomic<int>),
                                                          PROT_READ | PROT_WRITE,
                                                          MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(completed, MAP_FAILED);

    std::mt19937 random(20261208);
    // A loaded machine may not finish a write within the first delays: the
    // window grows until writes complete, so both contents stay in play.
    int maxDelayUs = 30000;
    int current = 0;  // which content the file holds
    for (int round = 0; round < rounds; ++round) {
        completed->store(0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IniFile writer(path);
            for (int n = 1;; ++n) {
                const IniDocument& next = docs[(current + n) % 2];
                writer.update([&](IniDocument& doc) { doc = next; });
                completed->store(n);
            }
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, maxDelayUs)(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended on its own: " << status;

        const int done = completed->load();
        if (done == 0)
            maxDelayUs = std::min(2 * maxDelayUs, 2000000);
        const int last = (current + done) % 2;
        const int inProgress = (current + done + 1) % 2;
        const QByteArray now = bytesOf(path);
        ASSERT_TRUE(now == bytes[last] || now == bytes[inProgress])
            << "round " << round << ": " << now.size() << " bytes after " << done << " writes";
        // It also reads back as a whole settings file.
        const int holds = now == bytes[0] ? 0 : 1;
        const IniDocument read = IniFile(path).load();
        ASSERT_EQ(read.sections().size(), 8);
        ASSERT_EQ(read.readString("section 7", "Item199", ""),
                  docs[holds].readString("section 7", "Item199", "-"));
        current = holds;
        outcome.writes += done;
        ++outcome.found[holds];
    }
    munmap(completed, sizeof(std::atomic<int>));
    // A kill between the temporary file's naming and its rename can leave it behind.
    outcome.leftovers =
        QDir(folder)
            .entryList({QStringLiteral("lmr1001.ini.*")}, QDir::Files | QDir::Hidden)
            .size();
}

TEST(IniKill, KilledWriterLeavesTheOldOrTheNewFile) {
    // The child runs our code without exec: that is only safe with no other
    // threads that could hold a lock at the fork.
    ASSERT_EQ(threadCount(), 1);

    // In memory, where syncing costs nothing, the kills spread over every step
    // of a write; on disk most of them land while the new file is synced.
    struct Place {
        const char* name;
        QString root;
        int rounds;
    };
    const QString shm = QStringLiteral("/dev/shm");
    for (const Place& place : {Place{"memory", QDir(shm).exists() ? shm : QDir::tempPath(), 200},
                               Place{"disk", QDir::tempPath(), 50}}) {
        test::ScratchDir dir(place.root + QStringLiteral("/lumora-kill-XXXXXX"));
        ASSERT_TRUE(dir.isValid());
        KillOutcome outcome;
        killWriterRepeatedly(dir.path(), place.rounds, outcome);
        if (HasFatalFailure())
            return;
        std::printf(
            "%s: %d kills, %d completed writes, file held the first content %d times and "
            "the second %d times, %lld leftover temporaries\n",
            place.name, place.rounds, outcome.writes, outcome.found[0], outcome.found[1],
            static_cast<long long>(outcome.leftovers));
        // The writers got through writes, so both contents were in play.
        EXPECT_GT(outcome.writes, 0) << place.name;
        EXPECT_GT(outcome.found[0], 0) << place.name;
        EXPECT_GT(outcome.found[1], 0) << place.name;
    }
}

}  // namespace
}  // namespace lumora

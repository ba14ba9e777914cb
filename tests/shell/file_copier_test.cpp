#include "shell/file_copier.h"
#include "support/scratch_dir.h"

#include "shell/file_copy_fixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <vector>

#include <sched.h>
#include <sys/mount.h>

namespace lumora {
namespace {

using test::entries;
using test::exists;
using test::pattern;
using test::readBytes;
using test::statOf;
using test::writeBytes;

class FileCopierTest : public test::CopyFoldersTest {
protected:
    // Copies with a record of every progress report.
    CopyOutcome copy(const QString& source, const QString& destination, bool move = false) {
        FileCopier copier(source, destination);
        reports.clear();
        CopyOutcome outcome = copier.open();
        if (outcome == CopyOutcome::Done)
            outcome = copier.copy(true, [this](qint64 copied) { reports.push_back(copied); });
        if (outcome == CopyOutcome::Done && move)
            outcome = copier.deleteSource();
        return outcome;
    }

    std::vector<qint64> reports;
};

TEST_F(FileCopierTest, CopiesEverySizeAroundTheBlocksExactly) {
    for (const qint64 size : {qint64(0), qint64(1), qint64(8192), qint64(8193), kCopyBlockSize - 1,
                              kCopyBlockSize, kCopyBlockSize + 1, 3 * kCopyBlockSize + 17}) {
        SCOPED_TRACE(size);
        const QString source = from + QStringLiteral("/file.bin");
        const QString target = to + QStringLiteral("/file.bin");
        const QByteArray bytes = pattern(size, int(size));
        ASSERT_TRUE(writeBytes(source, bytes, 0640));
        ASSERT_EQ(copy(source, target), CopyOutcome::Done);
        EXPECT_EQ(readBytes(target), bytes);
        EXPECT_EQ(statOf(target).st_mode & 0777, 0640u);
        // One report per block read; an empty file reports nothing.
        const size_t blocks = size_t((size + kCopyBlockSize - 1) / kCopyBlockSize);
        EXPECT_EQ(reports.size(), blocks);
        if (!reports.empty()) {
            EXPECT_EQ(reports.back(), size);
        }
        EXPECT_EQ(entries(to), QStringList{QStringLiteral("file.bin")});
        EXPECT_EQ(readBytes(source), bytes);
    }
}

TEST_F(FileCopierTest, ReplacesTheDestinationWithACompleteCopyKeepingTheTime) {
    const QString source = from + QStringLiteral("/picture.jpg");
    const QString target = to + QStringLiteral("/picture.jpg");
    ASSERT_TRUE(writeBytes(source, pattern(100000)));
    const struct timespec times[2] = {{1000000000, 0}, {946684800, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.toUtf8().constData(), times, 0), 0);
    ASSERT_TRUE(writeBytes(target, "an older, longer picture that is replaced as a whole"));

    ASSERT_EQ(copy(source, target), CopyOutcome::Done);
    EXPECT_EQ(readBytes(target), pattern(100000));
    EXPECT_EQ(statOf(target).st_mtim.tv_sec, 946684800);
    EXPECT_EQ(statOf(target).st_mtim.tv_nsec, 123456789);

    // Without keepTime the copy is as new as its making.
    FileCopier copier(source, target);
    ASSERT_EQ(copier.open(), CopyOutcome::Done);
    ASSERT_EQ(copier.copy(false, [](qint64) {}), CopyOutcome::Done);
    EXPECT_GT(statOf(target).st_mtim.tv_sec, 946684800);
}

// Nothing of the copy has a name in the folder until it is complete, so a
// crash in the middle leaves nothing behind (where the file system can).
TEST_F(FileCopierTest, WhileItRunsTheCopyHasNoNameInTheFolder) {
    const int probe = ::open(encodeFileName(to).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system makes no unnamed files";
    ::close(probe);
    const QString source = from + QStringLiteral("/film.avi");
    const QString target = to + QStringLiteral("/film.avi");
    ASSERT_TRUE(writeBytes(source, pattern(3 * int(kCopyBlockSize) + 17)));
    FileCopier copier(source, target);
    ASSERT_EQ(copier.open(), CopyOutcome::Done);
    QList<QStringList> seen;
    ASSERT_EQ(copier.copy(true, [&](qint64) { seen << entries(to); }), CopyOutcome::Done);
    ASSERT_FALSE(seen.isEmpty());
    for (const QStringList& names : seen)
        EXPECT_TRUE(names.isEmpty()) << names.join(u' ').toStdString();
    EXPECT_EQ(entries(to), QStringList{QStringLiteral("film.avi")});
    EXPECT_EQ(readBytes(target), pattern(3 * int(kCopyBlockSize) + 17));
}

// Reads of at most 1,000 bytes, or a failing read at an offset.
class UnevenCopier final : public FileCopier {
public:
    UnevenCopier(const QString& source, const QString& destination, qint64 failAt = -1)
        : FileCopier(source, destination), failAt_(failAt) {}
    int reads = 0;

protected:
    qint64 readAt(char* buffer, qint64 wanted, qint64 offset) override {
        ++reads;
        if (failAt_ >= 0 && offset >= failAt_) {
            errno = EIO;
            return -1;
        }
        return FileCopier::readAt(buffer, qMin<qint64>(wanted, 1000), offset);
    }

private:
    qint64 failAt_;
};

TEST_F(FileCopierTest, ShortReadsAreNoEndAndAFailingReadLeavesNothing) {
    const QString source = from + QStringLiteral("/clip.avi");
    const QString target = to + QStringLiteral("/clip.avi");
    ASSERT_TRUE(writeBytes(source, pattern(20000)));
    {
        UnevenCopier copier(source, target);
        ASSERT_EQ(copier.open(), CopyOutcome::Done);
        EXPECT_EQ(copier.copy(true, [](qint64) {}), CopyOutcome::Done);
        EXPECT_EQ(copier.reads, 21);  // twenty short reads, then the empty one
        EXPECT_FALSE(copier.sourceChanged());
    }
    EXPECT_EQ(readBytes(target), pattern(20000));

    ASSERT_TRUE(writeBytes(target, "the older copy"));
    UnevenCopier failing(source, target, 5000);
    ASSERT_EQ(failing.open(), CopyOutcome::Done);
    EXPECT_EQ(failing.copy(true, [](qint64) {}), CopyOutcome::ReadFailed);
    EXPECT_EQ(failing.error(), EIO);
    EXPECT_EQ(readBytes(target), QByteArray("the older copy"));
    EXPECT_EQ(entries(to), QStringList{QStringLiteral("clip.avi")});
    EXPECT_EQ(readBytes(source), pattern(20000));
}

TEST_F(FileCopierTest, FollowsAFileThatReportsNoSizeOrGrows) {
    // The kernel's files say 0 bytes and still have text to read.
    const QString target = to + QStringLiteral("/version");
    ASSERT_EQ(copy(QStringLiteral("/proc/version"), target), CopyOutcome::Done);
    EXPECT_FALSE(readBytes(target).isEmpty());
    EXPECT_EQ(readBytes(target), readBytes(QStringLiteral("/proc/version")));

    // A file that grows while it is copied is copied to its new end; a move
    // then keeps the source, whose size no longer matches.
    const QString source = from + QStringLiteral("/growing.log");
    ASSERT_TRUE(writeBytes(source, pattern(kCopyBlockSize * 2)));
    FileCopier copier(source, to + QStringLiteral("/growing.log"));
    ASSERT_EQ(copier.open(), CopyOutcome::Done);
    bool grown = false;
    ASSERT_EQ(copier.copy(true,
                          [&](qint64) {
                              if (!grown)
                                  grown = writeBytes(source, pattern(kCopyBlockSize * 3));
                          }),
              CopyOutcome::Done);
    EXPECT_TRUE(copier.sourceChanged());
    EXPECT_EQ(readBytes(to + QStringLiteral("/growing.log")), pattern(kCopyBlockSize * 3));
    EXPECT_EQ(copier.deleteSource(), CopyOutcome::SourceChanged);
    EXPECT_TRUE(exists(source));
}

TEST_F(FileCopierTest, AMoveKeepsASourceThatWasReplacedOrTouchedMeanwhile) {
    const QString source = from + QStringLiteral("/a.bmp");
    ASSERT_TRUE(writeBytes(source, pattern(kCopyBlockSize * 2)));
    FileCopier touched(source, to + QStringLiteral("/a.bmp"));
    ASSERT_EQ(touched.open(), CopyOutcome::Done);
    ASSERT_EQ(touched.copy(true,
                           [&](qint64) {
                               const struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
                               ::utimensat(AT_FDCWD, encodeFileName(source).constData(), times, 0);
                           }),
              CopyOutcome::Done);
    EXPECT_TRUE(touched.sourceChanged());
    EXPECT_EQ(touched.deleteSource(), CopyOutcome::SourceChanged);
    EXPECT_TRUE(exists(source));

    // Another file under the source's name is not the one that was copied.
    FileCopier replaced(source, to + QStringLiteral("/a.bmp"));
    ASSERT_EQ(replaced.open(), CopyOutcome::Done);
    ASSERT_EQ(replaced.copy(true, [](qint64) {}), CopyOutcome::Done);
    const QString other = from + QStringLiteral("/other");
    ASSERT_TRUE(writeBytes(other, "other"));
    ASSERT_EQ(::rename(other.toUtf8().constData(), source.toUtf8().constData()), 0);
    EXPECT_EQ(replaced.deleteSource(), CopyOutcome::SourceChanged);
    EXPECT_EQ(readBytes(source), QByteArray("other"));
}

TEST_F(FileCopierTest, SparseFileOfFiveGibibytesKeepsItsHolesAndSize) {
    const QString source = from + QStringLiteral("/disk.img");
    const QString target = to + QStringLiteral("/disk.img");
    const qint64 size = 5LL << 30;
    const qint64 offsets[] = {0, (4LL << 30) + 12345, size - 4096};
    {
        const int fd = ::open(source.toUtf8().constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        for (const qint64 at : offsets)
            ASSERT_EQ(::pwrite(fd, pattern(4096, int(at)).constData(), 4096, at), 4096);
        ::close(fd);
    }
    if (statOf(source).st_blocks * 512 > (1 << 20))
        GTEST_SKIP() << "this file system keeps no holes";

    ASSERT_EQ(copy(source, target), CopyOutcome::Done);
    EXPECT_EQ(statOf(target).st_size, size);
    EXPECT_LT(statOf(target).st_blocks * 512, 1 << 20);  // the holes stayed holes
    const int fd = ::open(target.toUtf8().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (const qint64 at : offsets) {
        QByteArray back(4096, '\0');
        ASSERT_EQ(::pread(fd, back.data(), 4096, at), 4096);
        EXPECT_EQ(back, pattern(4096, int(at))) << at;
    }
    QByteArray between(4096, 'x');
    ASSERT_EQ(::pread(fd, between.data(), 4096, 3LL << 30), 4096);
    EXPECT_EQ(between, QByteArray(4096, '\0'));
    ::close(fd);

    // The progress covers the holes too and ends at the whole size.
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), size);
    EXPECT_LT(reports.size(), 16u);
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GT(reports[i], reports[i - 1]);
    EXPECT_EQ(percentCopied(reports[reports.size() / 2], size),
              int(double(reports[reports.size() / 2]) * 100 / double(size) + 0.5));
    ::unlink(target.toUtf8().constData());
    ::unlink(source.toUtf8().constData());
}

TEST_F(FileCopierTest, TheSourceItselfIsRefusedHoweverItIsNamed) {
    const QString source = from + QStringLiteral("/self.png");
    ASSERT_TRUE(writeBytes(source, pattern(30000)));
    const struct stat before = statOf(source);
    ASSERT_TRUE(QFile::link(from, root.filePath(QStringLiteral("linked"))));
    for (const QString& target :
         {source, from + QStringLiteral("/./self.png"), to + QStringLiteral("/../from/self.png"),
          root.filePath(QStringLiteral("linked/self.png"))}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_EQ(copy(source, target), CopyOutcome::SameFile);
        EXPECT_EQ(copy(source, target, true), CopyOutcome::SameFile);
        EXPECT_EQ(readBytes(source), pattern(30000));
        EXPECT_EQ(statOf(source).st_ino, before.st_ino);
        EXPECT_EQ(statOf(source).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        EXPECT_EQ(entries(from), QStringList{QStringLiteral("self.png")});
    }
}

TEST_F(FileCopierTest, TheSourceItselfIsRefusedThroughABindMount) {
    // A mount of our own, seen by this thread alone and gone with it.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace of our own (needs CAP_SYS_ADMIN)";
    const QString source = from + QStringLiteral("/self.png");
    ASSERT_TRUE(writeBytes(source, pattern(30000)));
    ASSERT_EQ(
        ::mount(from.toUtf8().constData(), to.toUtf8().constData(), nullptr, MS_BIND, nullptr), 0);
    EXPECT_EQ(copy(source, to + QStringLiteral("/self.png"), true), CopyOutcome::SameFile);
    EXPECT_EQ(entries(from), QStringList{QStringLiteral("self.png")});
    EXPECT_EQ(readBytes(source), pattern(30000));
    ::umount2(to.toUtf8().constData(), MNT_DETACH);
}

TEST_F(FileCopierTest, PipesDevicesAndFoldersAreRefusedAtOnce) {
    const QString fifo = from + QStringLiteral("/fifo.jpg");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0644), 0);
    for (const QString& source : {fifo, QStringLiteral("/dev/zero"), from}) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(copy(source, to + QStringLiteral("/x")), CopyOutcome::NotRegularFile);
    }
    EXPECT_EQ(copy(from + QStringLiteral("/missing"), to + QStringLiteral("/x")),
              CopyOutcome::CannotOpen);
    EXPECT_TRUE(entries(to).isEmpty());
}

TEST_F(FileCopierTest, AFullDiskKeepsTheSourceOfAMoveAndLeavesNoPartOfTheCopy) {
    const QString source = from + QStringLiteral("/movie.mpg");
    const QString target = to + QStringLiteral("/movie.mpg");
    const QByteArray bytes = pattern(1 << 20);
    ASSERT_TRUE(writeBytes(source, bytes));
    for (const bool existingDestination : {false, true}) {
        SCOPED_TRACE(existingDestination);
        if (existingDestination) {
            ASSERT_TRUE(writeBytes(target, "yesterday's copy"));
        }
        FileCopier copier(source, target);
        CopyOutcome outcome = copier.open();
        ASSERT_EQ(outcome, CopyOutcome::Done);
        {
            // The limit cuts a write short at 300,000 bytes, then refuses the next.
            test::FileSizeLimit limit(300000);
            outcome = copier.copy(true, [](qint64) {});
        }
        EXPECT_EQ(outcome, CopyOutcome::WriteFailed);
        EXPECT_EQ(copier.error(), EFBIG);
        EXPECT_EQ(readBytes(source), bytes);
        EXPECT_EQ(entries(from), QStringList{QStringLiteral("movie.mpg")});
        if (existingDestination) {
            EXPECT_EQ(readBytes(target), QByteArray("yesterday's copy"));
            EXPECT_EQ(entries(to), QStringList{QStringLiteral("movie.mpg")});
        } else {
            EXPECT_TRUE(entries(to).isEmpty());
        }
    }
}

TEST_F(FileCopierTest, ARealFullFileSystemKeepsTheSourceOfAMove) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("lumora-full", to.toUtf8().constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no file system of our own (needs CAP_SYS_ADMIN)";
    const QString source = from + QStringLiteral("/movie.mpg");
    ASSERT_TRUE(writeBytes(source, pattern(1 << 20)));
    EXPECT_EQ(copy(source, to + QStringLiteral("/movie.mpg"), true), CopyOutcome::WriteFailed);
    EXPECT_EQ(readBytes(source), pattern(1 << 20));
    EXPECT_TRUE(entries(to).isEmpty());
    ::umount2(to.toUtf8().constData(), MNT_DETACH);
}

TEST_F(FileCopierTest, PermissionsAreTheSourcesAndRefusalsChangeNothing) {
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    const QString unreadable = from + QStringLiteral("/unreadable.txt");
    ASSERT_TRUE(writeBytes(unreadable, "secret", 0));
    ASSERT_TRUE(writeBytes(from + QStringLiteral("/shared.txt"), "shared", 0644));
    ASSERT_EQ(::chmod(to.toUtf8().constData(), 0555), 0);
    {
        test::AsOrdinaryUser user;
        EXPECT_EQ(copy(unreadable, root.filePath(QStringLiteral("x"))), CopyOutcome::CannotOpen);
        EXPECT_EQ(copy(from + QStringLiteral("/shared.txt"), to + QStringLiteral("/shared.txt")),
                  CopyOutcome::CannotCreate);
    }
    EXPECT_TRUE(entries(to).isEmpty());
    EXPECT_EQ(entries(root.path()), QStringList({QStringLiteral("from"), QStringLiteral("to")}));
    ::chmod(to.toUtf8().constData(), 0755);

    // The copy has the source's permission bits, never more.
    const QString source = from + QStringLiteral("/private.txt");
    ASSERT_TRUE(writeBytes(source, "private", 0600));
    ASSERT_EQ(copy(source, to + QStringLiteral("/private.txt")), CopyOutcome::Done);
    EXPECT_EQ(statOf(to + QStringLiteral("/private.txt")).st_mode & 07777, 0600u);
}

// Replacing is the right of whoever may write the file: a write-protected
// file stays, a link stays a link and its target takes the copy.
TEST_F(FileCopierTest, AWriteProtectedFileIsRefusedAndALinkIsWrittenThrough) {
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    // The ordinary user may make and rename files here: only the file's mode protects it.
    ASSERT_EQ(::chmod(to.toUtf8().constData(), 0777), 0);
    const QString source = from + QStringLiteral("/new.jpg");
    ASSERT_TRUE(writeBytes(source, pattern(20000), 0644));
    const QString locked = to + QStringLiteral("/locked.jpg");
    ASSERT_TRUE(writeBytes(locked, "the old picture", 0444));
    const ino_t lockedInode = statOf(locked).st_ino;
    {
        test::AsOrdinaryUser user;
        EXPECT_EQ(copy(source, locked), CopyOutcome::CannotCreate);
        EXPECT_EQ(copy(source, locked, true), CopyOutcome::CannotCreate);
    }
    EXPECT_EQ(readBytes(locked), QByteArray("the old picture"));
    EXPECT_EQ(statOf(locked).st_ino, lockedInode);
    EXPECT_EQ(statOf(locked).st_mode & 07777, 0444u);
    EXPECT_EQ(readBytes(source), pattern(20000));
    EXPECT_EQ(entries(to), QStringList{QStringLiteral("locked.jpg")});

    const QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(writeBytes(elsewhere + QStringLiteral("/picture.jpg"), "older bytes"));
    // One link to a file, one to a file not made yet.
    for (const char* name : {"picture.jpg", "later.jpg"}) {
        SCOPED_TRACE(name);
        const QString link = to + QStringLiteral("/link-") + QLatin1String(name);
        const QByteArray pointsTo = QByteArray("../elsewhere/") + name;
        ASSERT_EQ(::symlink(pointsTo.constData(), encodeFileName(link).constData()), 0);
        ASSERT_EQ(copy(source, link), CopyOutcome::Done);
        struct stat entry {};
        ASSERT_EQ(::lstat(encodeFileName(link).constData(), &entry), 0);
        EXPECT_TRUE(S_ISLNK(entry.st_mode));
        char back[64] = {};
        EXPECT_EQ(::readlink(encodeFileName(link).constData(), back, sizeof back - 1),
                  pointsTo.size());
        EXPECT_EQ(QByteArray(back), pointsTo);
        EXPECT_EQ(readBytes(elsewhere + u'/' + QLatin1String(name)), pattern(20000));
        EXPECT_EQ(statOf(link).st_mode & 07777, 0644u);
    }
    EXPECT_EQ(entries(elsewhere), QStringList({"later.jpg", "picture.jpg"}));
}

// Where the folder keeps the user from renaming over a file the user may
// write, the file is written in place: it keeps its inode, owner and mode.
TEST_F(FileCopierTest, AWritableFileInAFolderThatCannotBeWrittenIsWrittenInPlace) {
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    const QString source = from + QStringLiteral("/new.txt");
    const QByteArray bytes = pattern(3 * kCopyBlockSize + 5);
    ASSERT_TRUE(writeBytes(source, bytes));
    const QString shared = to + QStringLiteral("/shared.txt");
    // Longer than the copy: nothing of the old end may stay.
    ASSERT_TRUE(writeBytes(shared, pattern(5 * kCopyBlockSize, 9), 0666));
    ASSERT_EQ(::chmod(shared.toUtf8().constData(), 0666), 0);
    const ino_t inode = statOf(shared).st_ino;
    ASSERT_EQ(::chmod(to.toUtf8().constData(), 0555), 0);
    ASSERT_EQ(::chmod(from.toUtf8().constData(), 0777), 0);
    {
        test::AsOrdinaryUser user;
        ASSERT_EQ(copy(source, shared, true), CopyOutcome::Done);
    }
    ::chmod(to.toUtf8().constData(), 0755);
    EXPECT_EQ(readBytes(shared), bytes);
    EXPECT_EQ(statOf(shared).st_ino, inode);
    EXPECT_EQ(statOf(shared).st_mode & 07777, 0666u);
    EXPECT_EQ(entries(to), QStringList{QStringLiteral("shared.txt")});
    // The move's copy was complete, so its source went.
    EXPECT_FALSE(exists(source));
}

TEST_F(FileCopierTest, AFileThatAStickyFolderKeepsFromRenamingIsWrittenInPlace) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a file of another user: run as root";
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    const QString source = from + QStringLiteral("/new.txt");
    ASSERT_TRUE(writeBytes(source, pattern(70000)));
    // Root's file, writable by all, in a folder like /tmp.
    const QString shared = to + QStringLiteral("/shared.txt");
    ASSERT_TRUE(writeBytes(shared, "root's older text"));
    ASSERT_EQ(::chmod(shared.toUtf8().constData(), 0666), 0);
    const ino_t inode = statOf(shared).st_ino;
    ASSERT_EQ(::chmod(to.toUtf8().constData(), 01777), 0);
    {
        test::AsOrdinaryUser user;
        ASSERT_EQ(copy(source, shared), CopyOutcome::Done);
    }
    EXPECT_EQ(readBytes(shared), pattern(70000));
    EXPECT_EQ(statOf(shared).st_ino, inode);
    EXPECT_EQ(statOf(shared).st_uid, 0u);
    EXPECT_EQ(entries(to), QStringList{QStringLiteral("shared.txt")});
}

TEST_F(FileCopierTest, NamesThatAreNotUtf8) {
    const QString name = decodeFileName(QByteArray("caf\xe9-\xff.jpg"));
    const QString source = from + u'/' + name;
    ASSERT_TRUE(writeBytes(source, pattern(9000)));
    const QString folder = to + QStringLiteral("/sub") + QChar(0xDCE9) + QStringLiteral("/deeper");
    ASSERT_TRUE(makeFolders(folder));
    EXPECT_TRUE(folderExists(folder));
    EXPECT_TRUE(exists(to + QStringLiteral("/sub") + QChar(0xDCE9)));
    ASSERT_EQ(copy(source, folder + u'/' + name, true), CopyOutcome::Done);
    EXPECT_EQ(readBytes(folder + u'/' + name), pattern(9000));
    EXPECT_EQ(entries(folder), QStringList{name});
    EXPECT_FALSE(exists(source));
}

TEST(CopyPaths, TypedFoldersAreTakenFromTheBrowserOrTheHome) {
    const QString home = QDir::homePath();
    const QString base = QStringLiteral("/data/pictures");
    EXPECT_EQ(destinationFolder(QStringLiteral("holiday"), base),
              QStringLiteral("/data/pictures/holiday"));
    EXPECT_EQ(destinationFolder(QStringLiteral("c:"), base), QStringLiteral("/data/pictures/c:"));
    EXPECT_EQ(destinationFolder(QStringLiteral("../music/"), base),
              QStringLiteral("/data/pictures/../music/"));
    EXPECT_EQ(destinationFolder(QStringLiteral("~/Desktop"), base),
              home + QStringLiteral("/Desktop"));
    EXPECT_EQ(destinationFolder(QStringLiteral("~"), base), home);
    EXPECT_EQ(destinationFolder(QStringLiteral("~other"), base),
              QStringLiteral("/data/pictures/~other"));
    EXPECT_EQ(destinationFolder(QStringLiteral("/tmp"), base), QStringLiteral("/tmp"));
    EXPECT_EQ(destinationFolder(QStringLiteral("x"), QStringLiteral("/")), QStringLiteral("/x"));

    EXPECT_EQ(joinPath(QStringLiteral("/tmp/"), QStringLiteral("a.jpg")),
              QStringLiteral("/tmp/a.jpg"));
    EXPECT_EQ(joinPath(QStringLiteral("/tmp"), QStringLiteral("a.jpg")),
              QStringLiteral("/tmp/a.jpg"));
}

TEST(CopyPaths, PercentagesStayWithinTheirBoundsAlsoPastFourGibibytes) {
    EXPECT_EQ(percentCopied(0, 0), 0);
    EXPECT_EQ(percentCopied(5, 0), 0);
    EXPECT_EQ(percentCopied(0, 100), 0);
    EXPECT_EQ(percentCopied(1, 200), 1);  // one half rounds up
    EXPECT_EQ(percentCopied(1, 201), 0);
    EXPECT_EQ(percentCopied(8192, 8193), 100);
    EXPECT_EQ(percentCopied(9000, 8193), 100);  // a file that grew
    const qint64 fiveGiB = 5LL << 30;
    EXPECT_EQ(percentCopied(fiveGiB / 2, fiveGiB), 50);
    EXPECT_EQ(percentCopied((9LL << 30) / 2, fiveGiB), 90);
    EXPECT_EQ(percentCopied(fiveGiB - 1, fiveGiB), 100);
    EXPECT_EQ(percentCopied(qint64(1) << 62, (qint64(1) << 62) + 1), 100);
}

}  // namespace
}  // namespace lumora

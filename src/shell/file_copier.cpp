#include "shell/file_copier.h"

#include "base/file_name.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace lumora {
namespace {

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool usable(const QByteArray& path) {
    return !path.isEmpty() && !path.contains('\0');
}

bool statPath(const QString& path, struct stat& st) {
    const QByteArray bytes = encodeFileName(path);
    return usable(bytes) && ::stat(bytes.constData(), &st) == 0;
}

// How much written data may wait in memory for the disk during a copy.
constexpr qint64 kWriteBackSpan = 8 << 20;

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Writes all of data at offset; false with errno set otherwise. A write that
// takes nothing (a full disk can answer so) is a failure too.
bool writeAll(int fd, const char* data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

}  // namespace

int percentCopied(qint64 copied, qint64 size) {
    if (copied <= 0 || size <= 0)
        return 0;
    if (copied >= size)
        return 100;
    // In floating point: copied * 100 would overflow past 92 petabytes.
    return qBound(0, int(double(copied) * 100.0 / double(size) + 0.5), 100);
}

QString destinationFolder(const QString& typed, const QString& base) {
    if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
        return QDir::homePath() + typed.mid(1);
    if (typed.startsWith(u'/'))
        return typed;
    return typed.isEmpty() ? base : joinPath(base, typed);
}

QString joinPath(const QString& path, const QString& name) {
    return path.endsWith(u'/') ? path + name : path + u'/' + name;
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

bool folderExists(const QString& path) {
    struct stat st {};
    return statPath(path, st) && S_ISDIR(st.st_mode);
}

bool makeFolders(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    if (!usable(bytes))
        return false;
    // Each prefix ending before a separator, then the whole path.
    for (qsizetype end = bytes.indexOf('/', 1); end != -1; end = bytes.indexOf('/', end + 1))
        ::mkdir(bytes.left(end).constData(), 0777);
    ::mkdir(bytes.constData(), 0777);
    return folderExists(path);
}

FileCopier::FileCopier(const QString& source, const QString& destination)
    : source_(encodeFileName(source)), destination_(encodeFileName(destination)) {}

FileCopier::~FileCopier() {
    discardTemporary();
    if (sourceFd_ >= 0)
        ::close(sourceFd_);
    if (targetFd_ >= 0)
        ::close(targetFd_);
}

CopyOutcome FileCopier::fail(CopyOutcome outcome) {
    error_ = errno;
    discardTemporary();
    if (targetMade_) {
        ::unlink(target_.constData());
        targetMade_ = false;
    }
    return outcome;
}

void FileCopier::discardTemporary() {
    if (temporaryFd_ >= 0)
        ::close(temporaryFd_);
    temporaryFd_ = -1;
    if (!temporary_.isEmpty())
        ::unlink(temporary_.constData());
    temporary_.clear();
}

CopyOutcome FileCopier::open() {
    if (!usable(source_) || !usable(destination_)) {
        errno = ENOENT;
        return fail(CopyOutcome::CannotOpen);
    }
    // Not blocking, so that opening a pipe does not wait for a writer.
    sourceFd_ = ::open(source_.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (sourceFd_ < 0)
        return fail(CopyOutcome::CannotOpen);
    if (::fstat(sourceFd_, &before_) != 0)
        return fail(CopyOutcome::CannotOpen);
    if (!S_ISREG(before_.st_mode)) {
        errno = EINVAL;
        return fail(CopyOutcome::NotRegularFile);
    }
    ::fcntl(sourceFd_, F_SETFL, ::fcntl(sourceFd_, F_GETFL) & ~O_NONBLOCK);
    struct stat target {};
    if (::stat(destination_.constData(), &target) == 0 && target.st_dev == before_.st_dev &&
        target.st_ino == before_.st_ino) {
        errno = EEXIST;
        return fail(CopyOutcome::SameFile);
    }
    return CopyOutcome::Done;
}

CopyOutcome FileCopier::openDestination() {
    target_ = destination_;
    struct stat entry {};
    if (::lstat(destination_.constData(), &entry) != 0)
        return errno == ENOENT ? CopyOutcome::Done : fail(CopyOutcome::CannotCreate);
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (S_ISLNK(entry.st_mode)) {
        // The link stays; the file it points to is written, and made when
        // it is not there yet, as creating the file through the link would.
        char* resolved = ::realpath(destination_.constData(), nullptr);
        if (!resolved && errno == ENOENT) {
            targetFd_ = ::open(destination_.constData(), flags | O_CREAT, 0600);
            if (targetFd_ >= 0)
                resolved = ::realpath(destination_.constData(), nullptr);
            targetMade_ = resolved != nullptr;
        }
        if (!resolved)
            return fail(CopyOutcome::CannotCreate);
        target_ = resolved;
        std::free(resolved);
    }
    // Trying is the only true answer to whether this user may write it: the
    // mode alone says nothing of root, ACLs or a read-only mount.
    if (targetFd_ < 0)
        targetFd_ = ::open(target_.constData(), flags);
    struct stat st {};
    if (targetFd_ < 0 || ::fstat(targetFd_, &st) != 0)
        return fail(CopyOutcome::CannotCreate);
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return fail(CopyOutcome::CannotCreate);
    }
    ::fcntl(targetFd_, F_SETFL, ::fcntl(targetFd_, F_GETFL) & ~O_NONBLOCK);
    return CopyOutcome::Done;
}

CopyOutcome FileCopier::copy(bool keepTime, const std::function<void(qint64)>& progress) {
    if (sourceFd_ < 0) {
        errno = EBADF;
        return fail(CopyOutcome::CannotOpen);
    }
    if (const CopyOutcome opened = openDestination(); opened != CopyOutcome::Done)
        return opened;
    const QByteArray folder = folderOf(target_);
    // A file without a name where the file system allows it (and /proc can
    // name it at the end): a crash or a power cut during the copy then leaves
    // nothing behind in the folder.
    if (::access("/proc/self/fd", X_OK) == 0)
        temporaryFd_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (temporaryFd_ < 0 && !createNamedTemporary(folder)) {
        const bool refused = errno == EACCES || errno == EPERM;
        if (refused && targetFd_ >= 0)
            return copyInPlace(keepTime, progress);
        return fail(CopyOutcome::CannotCreate);
    }
    ::posix_fadvise(sourceFd_, 0, 0, POSIX_FADV_SEQUENTIAL);

    if (const CopyOutcome written = writeFile(temporaryFd_, keepTime, true, progress);
        written != CopyOutcome::Done)
        return written;
    if (temporary_.isEmpty() && !nameTemporary(folder))
        return fail(CopyOutcome::CannotCreate);
    if (!closeWritten(temporaryFd_))
        return fail(CopyOutcome::WriteFailed);
    if (::rename(temporary_.constData(), target_.constData()) != 0) {
        // A sticky folder keeps others' files from being renamed over, not
        // from being written.
        if ((errno == EACCES || errno == EPERM) && targetFd_ >= 0) {
            discardTemporary();
            return copyInPlace(keepTime, progress);
        }
        return fail(CopyOutcome::CannotCreate);
    }
    temporary_.clear();
    targetMade_ = false;
    // The new name itself reaches the disk with its folder.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return CopyOutcome::Done;
}

CopyOutcome FileCopier::writeFile(int fd, bool keepTime, bool sourceMode,
                                  const std::function<void(qint64)>& progress) {
    qint64 copied = 0;
    if (const CopyOutcome outcome = copyBytes(fd, progress, copied); outcome != CopyOutcome::Done)
        return outcome;

    struct stat after {};
    if (::fstat(sourceFd_, &after) != 0)
        return fail(CopyOutcome::ReadFailed);
    changed_ = after.st_size != before_.st_size || !sameTime(after.st_mtim, before_.st_mtim);

    // A trailing hole is no data: the size says where the file ends.
    if (::ftruncate(fd, off_t(copied)) != 0)
        return fail(CopyOutcome::WriteFailed);
    if (keepTime) {
        // Only the owner may set a time: another user's file keeps the copy's.
        const struct timespec times[2] = {{0, UTIME_OMIT}, after.st_mtim};
        ::futimens(fd, times);
    }
    // Some file systems (FAT) keep no permissions: the copy is made all the same.
    if (sourceMode)
        ::fchmod(fd, after.st_mode & 0777);
    struct stat written {};
    if (::fsync(fd) != 0 || ::fstat(fd, &written) != 0)
        return fail(CopyOutcome::WriteFailed);
    if (qint64(written.st_size) != copied) {
        errno = EIO;
        return fail(CopyOutcome::WriteFailed);
    }
    return CopyOutcome::Done;
}

CopyOutcome FileCopier::copyInPlace(bool keepTime, const std::function<void(qint64)>& progress) {
    // Holes are skipped, so nothing of the old bytes may stay under them.
    if (::ftruncate(targetFd_, 0) != 0)
        return fail(CopyOutcome::WriteFailed);
    if (const CopyOutcome written = writeFile(targetFd_, keepTime, targetMade_, progress);
        written != CopyOutcome::Done)
        return written;
    if (!closeWritten(targetFd_))
        return fail(CopyOutcome::WriteFailed);
    targetMade_ = false;
    return CopyOutcome::Done;
}

bool FileCopier::closeWritten(int& fd) {
    const int closed = ::close(fd);
    fd = -1;
    return closed == 0;
}

namespace {

QByteArray temporaryName(const QByteArray& folder) {
    return (folder.endsWith('/') ? folder : folder + '/') + ".lumora-copy-" +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

}  // namespace

bool FileCopier::createNamedTemporary(const QByteArray& folder) {
    for (;;) {
        temporary_ = temporaryName(folder);
        temporaryFd_ = ::open(temporary_.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (temporaryFd_ >= 0)
            return true;
        if (errno != EEXIST) {
            temporary_.clear();
            return false;
        }
    }
}

bool FileCopier::nameTemporary(const QByteArray& folder) {
    // The complete copy gets a name only now, for the moment until the rename.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(temporaryFd_);
    for (;;) {
        const QByteArray name = temporaryName(folder);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
}

CopyOutcome FileCopier::copyBytes(int target, const std::function<void(qint64)>& progress,
                                  qint64& copied) {
    const std::unique_ptr<char[]> buffer(new char[size_t(kCopyBlockSize)]);
    // The source's data extents, so that the holes of a sparse file are
    // skipped instead of being read and written as zeros.
    bool holesKnown = true;
    qint64 dataEnd = 0;
    qint64 writeStarted = 0;
    qint64 onDisk = 0;
    for (;;) {
        if (holesKnown && copied >= dataEnd) {
            off_t data = ::lseek(sourceFd_, off_t(copied), SEEK_DATA);
            if (data >= 0) {
                const off_t hole = ::lseek(sourceFd_, data, SEEK_HOLE);
                holesKnown = hole >= 0;
                dataEnd = hole;
            } else if (errno == ENXIO) {
                // Only a hole from here to the end, if anything.
                struct stat now {};
                holesKnown = ::fstat(sourceFd_, &now) == 0;
                data = qMax(off_t(copied), now.st_size);
                dataEnd = data;
            } else {
                holesKnown = false;  // the file system does not say
            }
            if (holesKnown && data > copied) {
                copied = data;
                progress(copied);
                continue;
            }
        }
        qint64 wanted = kCopyBlockSize;
        if (holesKnown && dataEnd > copied)
            wanted = qMin(wanted, dataEnd - copied);
        const qint64 n = readAt(buffer.get(), wanted, copied);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(CopyOutcome::ReadFailed);
        if (n == 0)
            return CopyOutcome::Done;
        if (!writeAll(target, buffer.get(), n, copied))
            return fail(CopyOutcome::WriteFailed);
        copied += n;
        if (copied - writeStarted >= kWriteBackSpan) {
            // The span just written starts for the disk; the one before it
            // must be there. So the final flush waits for one span at most,
            // not for gigabytes held in memory, and the progress is the disk's.
            ::sync_file_range(target, writeStarted, copied - writeStarted, SYNC_FILE_RANGE_WRITE);
            if (writeStarted > onDisk)
                ::sync_file_range(target, onDisk, writeStarted - onDisk,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                      SYNC_FILE_RANGE_WAIT_AFTER);
            onDisk = writeStarted;
            writeStarted = copied;
        }
        progress(copied);
    }
}

qint64 FileCopier::readAt(char* buffer, qint64 wanted, qint64 offset) {
    return ::pread(sourceFd_, buffer, size_t(wanted), off_t(offset));
}

CopyOutcome FileCopier::deleteSource() {
    struct stat now {};
    if (changed_ || ::stat(source_.constData(), &now) != 0 || now.st_dev != before_.st_dev ||
        now.st_ino != before_.st_ino) {
        changed_ = true;
        errno = ESTALE;
        return fail(CopyOutcome::SourceChanged);
    }
    if (::unlink(source_.constData()) != 0)
        return fail(CopyOutcome::CannotDeleteSource);
    return CopyOutcome::Done;
}

}  // namespace lumora

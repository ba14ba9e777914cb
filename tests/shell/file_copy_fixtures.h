#pragma once

// Real files for the copy tests: contents, listings by exact bytes, another
// user for permission checks when the tests run as root, and a file-size
// limit that makes writes fail the way a full disk does.

#include "base/file_name.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

namespace lumora::test {

// Bytes that differ from block to block, so a misplaced block shows.
inline QByteArray pattern(qint64 size, int seed = 1) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u + quint32(seed);
    for (qint64 i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = char(state);
    }
    return bytes;
}

inline bool writeBytes(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    const QByteArray name = encodeFileName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

// The whole file, or a null array when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    const QByteArray name = encodeFileName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes("");
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

inline bool exists(const QString& path) {
    struct stat st {};
    return ::lstat(encodeFileName(path).constData(), &st) == 0;
}

inline struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(encodeFileName(path).constData(), &st);
    return st;
}

// Every entry of a folder, hidden ones too, sorted.
inline QStringList entries(const QString& folder) {
    QStringList names;
    if (DIR* dir = ::opendir(encodeFileName(folder).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QString name = decodeFileName(QByteArray(entry->d_name));
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                names << name;
        }
        ::closedir(dir);
    }
    names.sort();
    return names;
}

// Permission checks as a user without rights: root passes every one, so a
// root run takes another file-system user on this thread meanwhile.
class AsOrdinaryUser {
public:
    AsOrdinaryUser() {
        if (::geteuid() == 0) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
    }
    ~AsOrdinaryUser() {
        if (::geteuid() == 0) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;
};

// Files of this process may not grow past `bytes` meanwhile: a write across
// the limit is cut short and the next fails, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// A test with a temporary folder holding the folders "from" and "to".
class CopyFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(from));
        ASSERT_TRUE(QDir().mkpath(to));
    }

    test::ScratchDir root;
    const QString from = root.filePath(QStringLiteral("from"));
    const QString to = root.filePath(QStringLiteral("to"));
};

}  // namespace lumora::test

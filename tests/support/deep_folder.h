#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::test {

// Folders nested below `base` until their path is longer than PATH_MAX:
// `levels` folders named `length` times `letter`, each made relative to the
// one above, as no single path call reaches that deep. Removed again when
// the object goes.
class DeepFolder {
public:
    DeepFolder(const QString& base, char letter, int length, int levels)
        : base_(base), part_(length, letter) {
        int fd = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY);
        path_ = base;
        for (int i = 0; i < levels && fd >= 0; ++i) {
            if (::mkdirat(fd, part_.constData(), 0755) != 0) {
                ::close(fd);
                fd = -1;
                break;
            }
            const int next = ::openat(fd, part_.constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            path_ += u'/' + QString::fromLatin1(part_);
        }
        fd_ = fd;
    }
    ~DeepFolder() {
        if (fd_ >= 0)
            ::close(fd_);
        // QDir cannot remove what is this deep; rm walks it relative to each folder.
        QProcess::execute(QStringLiteral("rm"),
                          {QStringLiteral("-rf"), base_ + u'/' + QString::fromLatin1(part_)});
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    // False when a level could not be made.
    bool isValid() const { return fd_ >= 0; }
    // The innermost folder.
    const QString& path() const { return path_; }
    bool makeFolder(const char* name) const { return ::mkdirat(fd_, name, 0755) == 0; }
    bool makeFile(const char* name) const {
        const int fd = ::openat(fd_, name, O_CREAT | O_WRONLY, 0644);
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    QString base_;
    QByteArray part_;
    QString path_;
    int fd_ = -1;
};

}  // namespace lumora::test

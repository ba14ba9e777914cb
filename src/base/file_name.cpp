#include "base/file_name.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

// Length of the valid UTF-8 sequence at p, or 0 when it is invalid (overlong
// forms, surrogates and code points above U+10FFFF are invalid too).
int utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    if (p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return length;
}

// UTF-8 to UTF-16 as it is: a leading byte order mark is part of the name.
QString fromUtf8Exactly(const unsigned char* data, qsizetype size) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    return decoder(QByteArrayView(data, size));
}

}  // namespace

QString decodeFileName(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    const unsigned char* scan = p;
    while (scan < end) {
        const int length = utf8SequenceLength(scan, end);
        if (length == 0)
            break;
        scan += length;
    }
    if (scan == end)
        return fromUtf8Exactly(p, size);

    QString result;
    result.reserve(size);
    const unsigned char* runStart = p;
    while (p < end) {
        const int length = utf8SequenceLength(p, end);
        if (length > 0) {
            p += length;
            continue;
        }
        result += fromUtf8Exactly(runStart, p - runStart);
        result += QChar(char16_t(0xDC00 + *p));
        ++p;
        runStart = p;
    }
    result += fromUtf8Exactly(runStart, p - runStart);
    return result;
}

QByteArray encodeFileName(const QString& name) {
    // Only a lone low surrogate in U+DC80..U+DCFF stands for a raw byte.
    const qsizetype n = name.size();
    const QChar* s = name.constData();
    bool escaped = false;
    for (qsizetype i = 0; i < n && !escaped; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !s[i - 1].isHighSurrogate()))
            escaped = true;
    }
    if (!escaped)
        return name.toUtf8();

    QByteArray result;
    result.reserve(n * 3);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !s[i - 1].isHighSurrogate())) {
            result += QStringView(s + runStart, i - runStart).toUtf8();
            result += char(c - 0xDC00);
            runStart = i + 1;
        }
    }
    result += QStringView(s + runStart, n - runStart).toUtf8();
    return result;
}

qint64 openRegularFile(QFile& file, const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return -1;
    const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return -1;
    }
    return st.st_size;
}

bool isRegularFile(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    struct stat st {};
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

bool fileExists(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    struct stat st {};
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

bool replaceFile(const QString& path, const QByteArray& bytes) {
    const QByteArray target = encodeFileName(path);
    if (target.isEmpty() || target.contains('\0'))
        return false;
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary =
            target + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = !exists || ::fchmod(fd, existing.st_mode & 07777) == 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

}  // namespace lumora

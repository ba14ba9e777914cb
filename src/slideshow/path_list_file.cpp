#include "slideshow/path_list_file.h"

#include "base/file_name.h"
#include "platform/errors.h"

#include <QFile>
#include <cstring>

namespace lumora {

QStringList parsePathList(const QByteArray& bytes) {
    QStringList entries;
    const char* data = bytes.constData();
    qsizetype size = bytes.size();
    if (const void* nul = std::memchr(data, 0, size_t(size)))
        size = static_cast<const char*>(nul) - data;
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        // Decoded as file names are: bytes that are not UTF-8 come back
        // exactly when the entry is written or opened.
        entries << decodeFileName(data + pos, end - pos);
        pos = end;
        if (pos < size && data[pos] == '\r')
            ++pos;
        if (pos < size && data[pos] == '\n')
            ++pos;
    }
    return entries;
}

std::optional<QByteArray> formatPathList(const QStringList& entries) {
    QByteArray bytes;
    for (const QString& entry : entries) {
        if (entry.contains(u'\r') || entry.contains(u'\n') || entry.contains(QChar(0)))
            return std::nullopt;
        bytes += encodeFileName(entry);
        bytes += "\r\n";
    }
    return bytes;
}

QStringList readPathList(const QString& path, qint64 maxSize) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0 || size > maxSize)
        throw EInOutError::cannotOpen(path);
    const QByteArray bytes = file.read(maxSize);
    if (file.error() != QFileDevice::NoError)
        throw EInOutError::cannotOpen(path);
    return parsePathList(bytes);
}

void writePathList(const QString& path, const QStringList& entries) {
    const std::optional<QByteArray> bytes = formatPathList(entries);
    if (!bytes || !replaceFile(path, *bytes))
        throw EInOutError::cannotCreate(path);
}

}  // namespace lumora

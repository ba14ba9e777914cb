#include "slideshow/path_list_file.h"

#include "platform/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
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
        // Like fromLocal8Bit, but a leading U+FEFF is kept as part of the entry.
        QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::ConvertInitialBom |
                                                           QStringDecoder::Flag::Stateless);
        entries << decoder(QByteArrayView(data + pos, end - pos));
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
        bytes += entry.toLocal8Bit();
        bytes += "\r\n";
    }
    return bytes;
}

QStringList readPathList(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw EInOutError::cannotOpen(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError::cannotOpen(path);
    return parsePathList(bytes);
}

void writePathList(const QString& path, const QStringList& entries) {
    const std::optional<QByteArray> bytes = formatPathList(entries);
    if (!bytes)
        throw EInOutError::cannotCreate(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        throw EInOutError::cannotCreate(path);
}

}  // namespace lumora

#include "settings/language_pack.h"

#include "base/file_name.h"
#include "platform/errors.h"

#include <QFile>
#include <QStringDecoder>
#include <cstring>

namespace lumora {
namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined become the
// control characters of the same number, as on Windows.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kWindows1252High[byte - 0x80])
                                               : QChar(char16_t(byte));
    }
    return text;
}

QString capacityExceeded() {
    return QStringLiteral("Text exceeds memo capacity");
}

}  // namespace

QString decodeLanguageText(const QByteArray& bytes) {
    // The mark is dropped here, once: the decoder would drop it too.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return decodeWindows1252(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QStringList parseLanguagePack(const QByteArray& bytes) {
    if (bytes.size() > kLanguagePackCapacity)
        throw EError(capacityExceeded());
    qsizetype size = bytes.size();
    if (const void* nul = std::memchr(bytes.constData(), 0, size_t(size)))
        size = static_cast<const char*>(nul) - bytes.constData();
    const QString text = decodeLanguageText(bytes.left(size));

    QStringList lines;
    const qsizetype length = text.size();
    qsizetype pos = 0;
    while (pos < length && lines.size() < kLanguageLinesKept) {
        qsizetype end = pos;
        while (end < length && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        qsizetype kept = qMin(end - pos, kLanguageLineLength);
        // A cut never leaves half of a character outside the basic plane.
        if (kept < end - pos && text[pos + kept - 1].isHighSurrogate())
            --kept;
        lines << text.mid(pos, kept);
        pos = end;
        if (pos < length && text[pos] == u'\r')
            ++pos;
        if (pos < length && text[pos] == u'\n')
            ++pos;
    }
    return lines;
}

QByteArray formatLanguagePack(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

QStringList readLanguagePack(const QString& path) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0)
        throw EInOutError::cannotOpen(path);
    if (size > kLanguagePackCapacity)
        throw EError(capacityExceeded());
    // One byte more than fits tells a file that grew since it was measured.
    const QByteArray bytes = file.read(kLanguagePackCapacity + 1);
    if (file.error() != QFileDevice::NoError)
        throw EInOutError::cannotOpen(path);
    return parseLanguagePack(bytes);
}

}  // namespace lumora

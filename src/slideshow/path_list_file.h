#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace lumora {

// The list file of slideshows (*.lss) and sound lists (*.ssl): one entry per
// line, each followed by CR LF, 8-bit text, no header and no count.

// The file's bytes as entries, and back; see readPathList and writePathList.
QStringList parsePathList(const QByteArray& bytes);
// Empty for an entry holding CR, LF or NUL.
std::optional<QByteArray> formatPathList(const QStringList& entries);

// Larger files are no lists of paths (100,000 long paths are 50 MiB).
constexpr qint64 kMaxPathListSize = 256 * 1024 * 1024;

// Reads every line of the file as one entry, untrimmed and unchecked. Lines
// end at CR LF, a lone CR or a lone LF; reading stops at the first NUL byte.
// Entries and the file's own name are file names: bytes that are not UTF-8
// survive a read and a write. Raises EInOutError "Cannot open file <path>"
// when the file cannot be opened, is no regular file or is larger than maxSize.
QStringList readPathList(const QString& path, qint64 maxSize = kMaxPathListSize);

// Replaces the file with the entries in one atomic write; an existing file
// stays whole if the write fails. Raises EInOutError "Cannot create file
// <path>" on failure, also for an entry holding CR, LF or NUL, which the
// layout cannot carry (it would come back as other entries).
void writePathList(const QString& path, const QStringList& entries);

}  // namespace lumora

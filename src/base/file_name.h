#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace lumora {

// File names on Linux are bytes. Valid UTF-8 decodes as usual; every byte of an
// invalid sequence becomes U+DC80..U+DCFF, so encodeFileName() gives back the
// exact bytes and such files stay usable through a QString path.
QString decodeFileName(const char* data, qsizetype size);
inline QString decodeFileName(const QByteArray& bytes) {
    return decodeFileName(bytes.constData(), bytes.size());
}
QByteArray encodeFileName(const QString& name);

// Opens a regular file for reading by its exact bytes (QFile alone would turn
// the escaped bytes of such a name into '?'). Returns the file's size, or -1
// when it cannot be opened or is not a regular file (a device or pipe given a
// picture's name would never end); file is left closed then.
qint64 openRegularFile(QFile& file, const QString& path);

// Whether path names a regular file (a link is followed): not a folder, pipe
// or device, whatever its name says.
bool isRegularFile(const QString& path);

// Whether path names a file of any kind but a folder (a link is followed): a
// pipe or device exists as a file even though nothing reads it as one.
bool fileExists(const QString& path);

// Replaces the file at path, named by its exact bytes, with bytes: written to
// a new file beside it, flushed to disk and renamed over it, so the old file
// stays whole when anything fails. A file that existed keeps its permissions.
bool replaceFile(const QString& path, const QByteArray& bytes);

}  // namespace lumora

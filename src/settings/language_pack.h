#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lumora {

// A language pack: one interface text per line, no header. Lines end at CR LF,
// a lone CR or a lone LF; the text ends at the first NUL. A pack that is valid
// UTF-8 is read as UTF-8 (a byte-order mark dropped), any other as
// Windows-1252, the code page the packs of old were written in.

// The most a pack may hold: the capacity of the language list.
constexpr qsizetype kLanguagePackCapacity = 1024 * 1024;
// A line is read back from the list through a buffer of this many characters.
constexpr qsizetype kLanguageLineLength = 4096;
// Lines past those the table applies are kept, up to what the settings file
// gives back.
constexpr qsizetype kLanguageLinesKept = 10000;

// The pack's lines. Raises EError "Text exceeds memo capacity" for more bytes
// than the capacity.
QStringList parseLanguagePack(const QByteArray& bytes);

// The text of a pack's bytes, before it is split into lines.
QString decodeLanguageText(const QByteArray& bytes);

// Lines as a pack file: UTF-8 with CR LF after each line.
QByteArray formatLanguagePack(const QStringList& lines);

// Reads the pack file named by its exact bytes. Raises EInOutError "Cannot
// open file <path>" for a file that cannot be read or is no regular file (a
// pipe, a device, a folder), EError "Text exceeds memo capacity" for one
// larger than the capacity.
QStringList readLanguagePack(const QString& path);

}  // namespace lumora

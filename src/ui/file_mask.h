#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

namespace lumora {

// Attribute kinds of the file list's file-type set.
namespace file_type {
constexpr unsigned ReadOnly = 1;
constexpr unsigned Hidden = 2;
constexpr unsigned System = 4;
constexpr unsigned VolumeID = 8;
constexpr unsigned Directory = 16;
constexpr unsigned Archive = 32;
constexpr unsigned Normal = 64;
constexpr unsigned All = 127;
}  // namespace file_type

// A ";"-separated list of wildcard patterns ("*" any run, "?" one character),
// matched without regard to case as on the design's file system. "*.*" matches
// every name, and a pattern ending in ".*" also matches names without a dot.
class FileMask {
public:
    explicit FileMask(const QString& mask = QStringLiteral("*.*"));

    int patternCount() const { return int(patterns_.size()); }
    // Index of the first pattern that the case-folded name matches, -1 for none.
    int match(const QString& foldedName) const;
    // The same for a name of ASCII characters, folded (lower case) as bytes:
    // most names are, and they need no QString to be matched.
    int matchAscii(std::string_view foldedName) const;

private:
    struct Pattern {
        enum Kind { Everything, Suffix, Exact, Wildcard } kind;
        QString text;      // case-folded
        QByteArray ascii;  // the same as bytes; null when text is not ASCII
    };
    std::vector<Pattern> patterns_;

    template <typename Char>
    int matchFolded(std::basic_string_view<Char> foldedName) const;
};

// Whether a case-folded name matches one case-folded wildcard pattern.
bool wildcardMatch(QStringView pattern, QStringView name);
bool wildcardMatch(std::string_view pattern, std::string_view name);

struct FileListEntry {
    QString name;  // as decodeFileName gives it
    bool directory = false;
    QString text() const { return directory ? u'[' + name + u']' : name; }
    // The full path of a file listed from folder; empty for a folder entry.
    QString path(const QString& folder) const {
        if (directory)
            return {};
        return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
    }
};

// The entries of a folder as the file list shows them: subfolders first as
// "[name]" (with "[..]" except at the root) whatever the mask, then for each
// pattern in turn the files it matches, sorted by name without regard to case.
// A file matched by several patterns is listed once, at its first pattern.
// With alsoPrograms, programs (isProgramFile) that no pattern matches follow.
// Empty when the folder cannot be read or the file-type set is empty.
std::vector<FileListEntry> listFolder(const QString& folder, const FileMask& mask,
                                      unsigned fileType, bool alsoPrograms = false);

}  // namespace lumora

#include "ui/file_mask.h"

#include "platform/dir_entries.h"
#include "platform/launch.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>

namespace lumora {

namespace {

bool hasWildcard(QStringView text) {
    return text.contains(u'*') || text.contains(u'?');
}

struct Candidate {
    QString name;
    QString folded;
    int pattern;
};

bool byFoldedName(const Candidate& a, const Candidate& b) {
    if (a.folded != b.folded)
        return a.folded < b.folded;
    return a.name < b.name;
}

// Greedy with one back-track point: linear for the usual "*.ext" forms.
template <typename View>
bool matchWildcard(View pattern, View name) {
    const auto patternSize = qsizetype(pattern.size()), nameSize = qsizetype(name.size());
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < nameSize) {
        if (p < patternSize && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < patternSize && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < patternSize && pattern[p] == '*')
        ++p;
    return p == patternSize;
}

// Lower case of an ASCII name into folded; false when the name is not ASCII.
bool foldAscii(std::string_view name, std::string& folded) {
    folded.resize(name.size());
    unsigned char any = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        any |= c;
        folded[i] = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return any < 0x80;
}

}  // namespace

bool wildcardMatch(QStringView pattern, QStringView name) {
    return matchWildcard(pattern, name);
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    return matchWildcard(pattern, name);
}

FileMask::FileMask(const QString& mask) {
    for (const QString& raw : mask.split(u';', Qt::SkipEmptyParts)) {
        const QString text = raw.trimmed().toCaseFolded();
        if (text.isEmpty())
            continue;
        Pattern pattern{Pattern::Wildcard, text, {}};
        if (text == QLatin1String("*") || text == QLatin1String("*.*")) {
            pattern.kind = Pattern::Everything;
        } else if (text.startsWith(u'*') && !hasWildcard(QStringView(text).mid(1))) {
            pattern.kind = Pattern::Suffix;
            pattern.text = text.mid(1);
        } else if (!hasWildcard(text)) {
            pattern.kind = Pattern::Exact;
        }
        bool ascii = true;
        for (QChar c : pattern.text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            pattern.ascii = pattern.text.toLatin1();
        patterns_.push_back(std::move(pattern));
    }
}

// One matcher for both name forms: a QString's UTF-16 and an ASCII name's bytes.
template <typename Char>
int FileMask::matchFolded(std::basic_string_view<Char> foldedName) const {
    for (int i = 0; i < int(patterns_.size()); ++i) {
        const Pattern& pattern = patterns_[size_t(i)];
        std::basic_string_view<Char> text;
        if constexpr (std::is_same_v<Char, char>) {
            // Characters beyond ASCII match only themselves: never an ASCII name.
            if (pattern.kind != Pattern::Everything && pattern.ascii.isNull())
                continue;
            text = {pattern.ascii.constData(), size_t(pattern.ascii.size())};
        } else {
            text = {reinterpret_cast<const char16_t*>(pattern.text.utf16()),
                    size_t(pattern.text.size())};
        }
        bool matched = false;
        switch (pattern.kind) {
            case Pattern::Everything:
                matched = true;
                break;
            case Pattern::Suffix:
                matched = foldedName.ends_with(text);
                break;
            case Pattern::Exact:
                matched = foldedName == text;
                break;
            case Pattern::Wildcard:
                matched = matchWildcard(text, foldedName);
                // "name.*" also means "name" without an extension.
                if (!matched && text.size() >= 2 && text[text.size() - 2] == Char('.') &&
                    text.back() == Char('*') && foldedName.find(Char('.')) == foldedName.npos)
                    matched = matchWildcard(text.substr(0, text.size() - 2), foldedName);
                break;
        }
        if (matched)
            return i;
    }
    return -1;
}

int FileMask::match(const QString& foldedName) const {
    return matchFolded(std::u16string_view(reinterpret_cast<const char16_t*>(foldedName.utf16()),
                                           size_t(foldedName.size())));
}

int FileMask::matchAscii(std::string_view foldedName) const {
    return matchFolded(foldedName);
}

std::vector<FileListEntry> listFolder(const QString& folder, const FileMask& mask,
                                      unsigned fileType, bool alsoPrograms) {
    std::vector<FileListEntry> listed;
    if ((fileType & file_type::All) == 0)
        return listed;
    // Read-only is asked of each file only when it alone can admit the file.
    const bool wantReadOnly =
        (fileType & file_type::ReadOnly) && !(fileType & (file_type::Normal | file_type::Archive));
    const bool showHidden = fileType & file_type::Hidden;
    std::vector<Candidate> folders, files;
    std::string asciiFolded;  // reused: no allocation per name
    const auto visit = [&](const DirEntryView& entry) {
        const bool hidden = entry.name.front() == '.';
        if (hidden && !showHidden)
            return;
        if (entry.kind == EntryKind::Directory) {
            if (!(fileType & file_type::Directory))
                return;
            QString name = decodeFileName(entry.name.data(), qsizetype(entry.name.size()));
            QString folded = name.toCaseFolded();
            folders.push_back({std::move(name), std::move(folded), 0});
            return;
        }
        // Linux has no archive bit: every regular file counts as normal and archive.
        const bool admitted = (entry.kind == EntryKind::File &&
                               (fileType & (file_type::Normal | file_type::Archive))) ||
                              (entry.kind == EntryKind::Other && (fileType & file_type::System)) ||
                              (entry.readOnly && (fileType & file_type::ReadOnly)) ||
                              hidden;  // only reached with ftHidden in the set
        if (!admitted)
            return;
        // A program is listed after every pattern's files when programs are asked for too.
        const auto programPattern = [&](const QString& name) {
            return alsoPrograms && entry.kind == EntryKind::File &&
                           isProgramFile(FileListEntry{name}.path(folder))
                       ? mask.patternCount()
                       : -1;
        };
        // Names the mask turns away cost no QString.
        if (foldAscii(entry.name, asciiFolded)) {
            int pattern = mask.matchAscii(asciiFolded);
            if (pattern < 0 && !alsoPrograms)
                return;
            QString name = QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size()));
            if (pattern < 0 && (pattern = programPattern(name)) < 0)
                return;
            QString folded =
                asciiFolded == entry.name
                    ? name
                    : QString::fromLatin1(asciiFolded.data(), qsizetype(asciiFolded.size()));
            files.push_back({std::move(name), std::move(folded), pattern});
            return;
        }
        QString name = decodeFileName(entry.name.data(), qsizetype(entry.name.size()));
        QString folded = name.toCaseFolded();
        int pattern = mask.match(folded);
        if (pattern < 0)
            pattern = programPattern(name);
        if (pattern >= 0)
            files.push_back({std::move(name), std::move(folded), pattern});
    };
    if (!visitDirectory(folder, wantReadOnly ? ReadOnlyFlags : NoDirReadFlags, visit))
        return listed;

    std::sort(folders.begin(), folders.end(), byFoldedName);
    std::sort(files.begin(), files.end(), [](const Candidate& a, const Candidate& b) {
        if (a.pattern != b.pattern)
            return a.pattern < b.pattern;
        return byFoldedName(a, b);
    });

    listed.reserve(folders.size() + files.size() + 1);
    const bool root = folder == QLatin1String("/");
    if ((fileType & file_type::Directory) && !root)
        listed.push_back({QStringLiteral(".."), true});
    for (Candidate& c : folders)
        listed.push_back({std::move(c.name), true});
    for (Candidate& c : files)
        listed.push_back({std::move(c.name), false});
    return listed;
}

}  // namespace lumora

#include "ui/file_mask.h"

#include "platform/dir_entries.h"
#include "platform/launch.h"

#include <algorithm>

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

}  // namespace

bool wildcardMatch(QStringView pattern, QStringView name) {
    // Greedy with one back-track point: linear for the usual "*.ext" forms.
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

FileMask::FileMask(const QString& mask) {
    for (const QString& raw : mask.split(u';', Qt::SkipEmptyParts)) {
        const QString text = raw.trimmed().toCaseFolded();
        if (text.isEmpty())
            continue;
        Pattern pattern{Pattern::Wildcard, text};
        if (text == QLatin1String("*") || text == QLatin1String("*.*")) {
            pattern.kind = Pattern::Everything;
        } else if (text.startsWith(u'*') && !hasWildcard(QStringView(text).mid(1))) {
            pattern.kind = Pattern::Suffix;
            pattern.text = text.mid(1);
        } else if (!hasWildcard(text)) {
            pattern.kind = Pattern::Exact;
        }
        patterns_.push_back(std::move(pattern));
    }
}

int FileMask::match(const QString& foldedName) const {
    for (int i = 0; i < int(patterns_.size()); ++i) {
        const Pattern& pattern = patterns_[size_t(i)];
        bool matched = false;
        switch (pattern.kind) {
            case Pattern::Everything:
                matched = true;
                break;
            case Pattern::Suffix:
                matched = foldedName.endsWith(pattern.text);
                break;
            case Pattern::Exact:
                matched = foldedName == pattern.text;
                break;
            case Pattern::Wildcard:
                matched = wildcardMatch(pattern.text, foldedName);
                // "name.*" also means "name" without an extension.
                if (!matched && pattern.text.endsWith(QLatin1String(".*")) &&
                    !foldedName.contains(u'.'))
                    matched = wildcardMatch(QStringView(pattern.text).chopped(2), foldedName);
                break;
        }
        if (matched)
            return i;
    }
    return -1;
}

std::vector<FileListEntry> listFolder(const QString& folder, const FileMask& mask,
                                      unsigned fileType, bool alsoPrograms) {
    std::vector<FileListEntry> listed;
    if ((fileType & file_type::All) == 0)
        return listed;
    // Read-only is asked of each file only when it alone can admit the file.
    const bool wantReadOnly =
        (fileType & file_type::ReadOnly) && !(fileType & (file_type::Normal | file_type::Archive));
    const auto entries = readDirectory(folder, wantReadOnly ? ReadOnlyFlags : NoDirReadFlags);
    if (!entries)
        return listed;

    const bool showHidden = fileType & file_type::Hidden;
    std::vector<Candidate> folders, files;
    for (const DirEntry& entry : *entries) {
        const bool hidden = entry.name.startsWith('.');
        if (hidden && !showHidden)
            continue;
        if (entry.kind == EntryKind::Directory) {
            if (!(fileType & file_type::Directory))
                continue;
            QString name = decodeFileName(entry.name);
            QString folded = name.toCaseFolded();
            folders.push_back({std::move(name), std::move(folded), 0});
            continue;
        }
        // Linux has no archive bit: every regular file counts as normal and archive.
        const bool admitted = (entry.kind == EntryKind::File &&
                               (fileType & (file_type::Normal | file_type::Archive))) ||
                              (entry.kind == EntryKind::Other && (fileType & file_type::System)) ||
                              (entry.readOnly && (fileType & file_type::ReadOnly)) ||
                              hidden;  // only reached with ftHidden in the set
        if (!admitted)
            continue;
        QString name = decodeFileName(entry.name);
        QString folded = name.toCaseFolded();
        int pattern = mask.match(folded);
        if (pattern < 0 && alsoPrograms && entry.kind == EntryKind::File &&
            isProgramFile(FileListEntry{name}.path(folder)))
            pattern = mask.patternCount();
        if (pattern < 0)
            continue;
        files.push_back({std::move(name), std::move(folded), pattern});
    }

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

#include "settings/ini_file.h"

#include "base/file_name.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace lumora {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

QByteArray trimmed(const QByteArray& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isQuoted(const QByteArray& value) {
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

QByteArray unquoted(const QByteArray& value) {
    return isQuoted(value) ? value.mid(1, value.size() - 2) : value;
}

// Quotes keep the value whole through the trimming and unquoting of the next read.
QByteArray quotedIfNeeded(const QByteArray& value) {
    if (value.isEmpty())
        return value;
    if (isBlank(value.front()) || isBlank(value.back()) || isQuoted(value))
        return '"' + value + '"';
    return value;
}

// A CR or LF inside a name or value would split its line and could forge
// other keys or sections on the next read.
QString singleLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString cleanName(const QString& name) {
    return decodeFileName(trimmed(encodeFileName(singleLine(name))));
}

bool isLoneSurrogate(const QString& text, qsizetype i) {
    if (text[i].isHighSurrogate())
        return i + 1 == text.size() || !text[i + 1].isLowSurrogate();
    return text[i].isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Names compare without regard to case. A byte that is not UTF-8 (a lone
// surrogate) stands for itself: QString's folding would make them all U+FFFD.
QString foldedName(const QString& name) {
    QString folded;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isLoneSurrogate(name, i))
            continue;
        folded += name.mid(start, i - start).toCaseFolded() + name[i];
        start = i + 1;
    }
    return start == 0 ? name.toCaseFolded() : folded + name.mid(start).toCaseFolded();
}

bool sameName(const QString& a, const QString& b) {
    return foldedName(a) == foldedName(b);
}

}  // namespace

bool IniDocument::isBlankLine(const Line& line) {
    return line.key.isEmpty() && trimmed(line.raw).isEmpty();
}

IniDocument IniDocument::parse(const QByteArray& bytes) {
    IniDocument doc;
    qsizetype pos = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        doc.bom_ = true;
        pos = 3;
    }
    doc.sections_.push_back(Section{});
    doc.sections_.back().isPreamble = true;

    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArray raw = bytes.mid(pos, end - pos);
        pos = end;
        if (pos < size && bytes[pos] == '\r')
            ++pos;
        if (pos < size && bytes[pos] == '\n')
            ++pos;

        const QByteArray text = trimmed(raw);
        if (text.startsWith('[')) {
            qsizetype close = text.indexOf(']');
            if (close < 0)
                close = text.size();
            Section section;
            section.header = raw;
            section.name = decodeFileName(trimmed(text.mid(1, close - 1)));
            doc.sections_.push_back(std::move(section));
            continue;
        }
        Line line;
        line.raw = raw;
        const qsizetype equals = text.indexOf('=');
        Section& current = doc.sections_.back();
        if (!current.isPreamble && equals > 0 && !text.startsWith(';')) {
            const QByteArray key = trimmed(text.left(equals));
            if (!key.isEmpty()) {
                line.key = decodeFileName(key);
                line.value = unquoted(trimmed(text.mid(equals + 1)));
            }
        }
        current.lines.push_back(std::move(line));
    }
    return doc;
}

QByteArray IniDocument::serialize() const {
    QByteArray out;
    if (bom_)
        out += "\xEF\xBB\xBF";
    for (const Section& section : sections_) {
        if (!section.isPreamble)
            out += section.header + "\r\n";
        for (const Line& line : section.lines) {
            if (line.raw.isNull() && !line.key.isEmpty())
                out += encodeFileName(line.key) + '=' + quotedIfNeeded(line.value) + "\r\n";
            else
                out += line.raw + "\r\n";
        }
    }
    return out;
}

IniDocument::Section* IniDocument::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniDocument::Section* IniDocument::findSection(const QString& name) const {
    const QString wanted = cleanName(name);
    for (const Section& section : sections_)
        if (!section.isPreamble && sameName(section.name, wanted))
            return &section;
    return nullptr;
}

qsizetype IniDocument::findEntry(const Section& section, const QString& key) {
    if (!section.indexed) {
        section.index.clear();
        for (qsizetype i = 0; i < qsizetype(section.lines.size()); ++i) {
            const Line& line = section.lines[size_t(i)];
            if (line.key.isEmpty())
                continue;
            const QString folded = foldedName(line.key);
            if (!section.index.contains(folded))
                section.index.insert(folded, i);
        }
        section.indexed = true;
    }
    const auto found = section.index.constFind(foldedName(key));
    return found == section.index.cend() ? -1 : *found;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const qsizetype at = findEntry(*found, cleanName(key));
    if (at < 0)
        return std::nullopt;
    return decodeFileName(found->lines[size_t(at)].value);
}

QString IniDocument::readString(const QString& section, const QString& key,
                                const QString& def) const {
    return value(section, key).value_or(def);
}

QStringList IniDocument::keys(const QString& section) const {
    QStringList result;
    if (const Section* found = findSection(section))
        for (const Line& line : found->lines)
            if (!line.key.isEmpty())
                result << line.key;
    return result;
}

QStringList IniDocument::sections() const {
    QStringList result;
    for (const Section& section : sections_)
        if (!section.isPreamble)
            result << section.name;
    return result;
}

bool IniDocument::hasSection(const QString& section) const {
    return findSection(section);
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value) {
    const QString keyName = cleanName(key);
    if (keyName.isEmpty())
        return;
    Section* target = findSection(section);
    if (!target) {
        // A blank line between sections, as a person would write the file.
        Section& last = sections_.back();
        const bool emptyFile = last.isPreamble && last.lines.empty();
        if (!emptyFile && (last.lines.empty() || !isBlankLine(last.lines.back())))
            last.lines.push_back(Line{QByteArray(""), {}, {}});
        Section added;
        added.name = cleanName(section);
        added.header = '[' + encodeFileName(added.name) + ']';
        sections_.push_back(std::move(added));
        target = &sections_.back();
    }
    Line line;
    line.key = keyName;
    line.value = encodeFileName(singleLine(value));
    auto& lines = target->lines;
    if (const qsizetype found = findEntry(*target, keyName); found >= 0) {
        Line& existing = lines[size_t(found)];
        existing.value = line.value;
        existing.raw = QByteArray();
        return;
    }
    // After the section's last entry, so trailing comments and blank lines stay
    // below it; in a section without entries, above its trailing blank lines.
    auto at = lines.end();
    const auto lastEntry =
        std::find_if(lines.rbegin(), lines.rend(), [](const Line& l) { return !l.key.isEmpty(); });
    if (lastEntry != lines.rend())
        at = lastEntry.base();
    else
        while (at != lines.begin() && isBlankLine(*std::prev(at)))
            --at;
    const qsizetype position = at - lines.begin();
    lines.insert(at, std::move(line));
    const QString folded = foldedName(keyName);
    if (!target->index.contains(folded))
        target->index.insert(folded, position);
}

void IniDocument::eraseSection(const QString& section) {
    const QString wanted = cleanName(section);
    std::erase_if(sections_,
                  [&](const Section& s) { return !s.isPreamble && sameName(s.name, wanted); });
}

void IniDocument::clearSection(const QString& section) {
    const QString wanted = cleanName(section);
    bool kept = false;
    for (auto it = sections_.begin(); it != sections_.end();) {
        if (it->isPreamble || !sameName(it->name, wanted)) {
            ++it;
        } else if (kept) {
            it = sections_.erase(it);
        } else {
            kept = true;
            std::erase_if(it->lines, [](const Line& line) { return !line.key.isEmpty(); });
            it->index.clear();
            it->indexed = false;
            ++it;
        }
    }
}

IniFile::IniFile(const QString& name) : path_(locate(name)) {}

QString IniFile::locate(const QString& name) {
    if (QDir::isAbsolutePath(name))
        return name;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora/") + name;
}

IniDocument IniFile::load() const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return IniDocument::parse({});
    return IniDocument::parse(file.readAll());
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    return load().readString(section, key, def);
}

QStringList IniFile::readSectionKeys(const QString& section) const {
    return load().keys(section);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    update([&](IniDocument& doc) { doc.writeString(section, key, value); });
}

void IniFile::eraseSection(const QString& section) {
    update([&](IniDocument& doc) { doc.eraseSection(section); });
}

void IniFile::update(const std::function<void(IniDocument&)>& edit) {
    const QFileInfo info(path_);
    QByteArray old;
    if (info.exists()) {
        // A file that exists but cannot be read must not be replaced by
        // one holding only this edit; a read-only file stays as it is.
        QFile file(path_);
        QFile probe(path_);
        if (!info.isFile() || !probe.open(QIODevice::WriteOnly | QIODevice::Append) ||
            !file.open(QIODevice::ReadOnly))
            failWrite();
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            failWrite();
    }
    IniDocument doc = IniDocument::parse(old);
    edit(doc);
    const QByteArray bytes = doc.serialize();
    // Windows store their sections at every close, mostly unchanged; the same
    // bytes need no new file and no sync to the disk.
    if (info.exists() && bytes == old)
        return;

    if (!QDir().mkpath(info.absolutePath()))
        failWrite();
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        failWrite();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        failWrite();
    }
    // commit() syncs the new file to disk before renaming it over the old one;
    // the folder is not synced, so a power cut may bring back the previous
    // settings, but never a torn file.
    if (!file.commit())
        failWrite();
}

void IniFile::failWrite() const {
    throw EError(QStringLiteral("Unable to write to %1").arg(path_));
}

}  // namespace lumora

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace lumora {

// The settings file's text held in memory: sections of "key=value" lines.
// Section and key names compare without regard to case; the first match wins.
// Lines that are not entries (comments, blank lines, text without "=") are
// kept as they are, so a rewrite never loses what someone wrote by hand.
// Names and values are UTF-8 whose other bytes are carried as file names
// carry them (base/file_name.h): a value read and written back keeps its
// exact bytes. Values are read whole.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    // CR LF line ends; a value that would lose its outer blanks or quotes on
    // the next read is written inside double quotes.
    QByteArray serialize() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Key names of the section in file order; empty for a missing section.
    QStringList keys(const QString& section) const;
    QStringList sections() const;
    bool hasSection(const QString& section) const;

    // Replaces the first matching key's value, else adds the key at the end of
    // the section, else adds the section at the end of the file. CR and LF in
    // names and values become blanks: they would otherwise start new lines.
    void writeString(const QString& section, const QString& key, const QString& value);
    // Removes every section of that name with all its lines.
    void eraseSection(const QString& section);
    // Removes the entries of the first section of that name, which keeps its
    // place, and any later section of that name.
    void clearSection(const QString& section);

private:
    struct Line {
        QByteArray raw;    // the line as read, for lines that are not entries
        QString key;       // empty: not an entry
        QByteArray value;  // unquoted, as the bytes of the file
    };
    struct Section {
        QByteArray header;  // "[name]" as read; empty for the lines before the first section
        QString name;
        bool isPreamble = false;
        std::vector<Line> lines;
        // Case-folded key -> index of its first entry line, built on first use.
        // Entries are only ever added after the last entry, so indexes stay valid.
        mutable QHash<QString, qsizetype> index;
        mutable bool indexed = false;
    };

    static bool isBlankLine(const Line& line);
    static qsizetype findEntry(const Section& section, const QString& key);
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;

    bool bom_ = false;
    std::vector<Section> sections_;
};

// The settings file on disk. Each operation opens and closes the file; nothing
// is cached between operations. Every write replaces the file atomically
// (temporary file, fsync, rename), so a crash leaves the old or the new file.
// A missing or unreadable file reads as empty. A failed write raises EError
// "Unable to write to <path>".
class IniFile {
public:
    static constexpr const char* kDefaultName = "lmr1001.ini";

    // A bare name lives in $XDG_CONFIG_HOME/lumora/; an absolute path is used as is.
    explicit IniFile(const QString& name = QString::fromLatin1(kDefaultName));
    static QString locate(const QString& name);
    const QString& path() const { return path_; }

    QString readString(const QString& section, const QString& key, const QString& def) const;
    QStringList readSectionKeys(const QString& section) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void eraseSection(const QString& section);

    // One read of the whole file, for many reads in one go.
    IniDocument load() const;
    // Several writes in one rewrite: load, edit in memory, replace the file
    // once. If edit throws, the file is left as it was.
    void update(const std::function<void(IniDocument&)>& edit);

private:
    [[noreturn]] void failWrite() const;

    QString path_;
};

}  // namespace lumora

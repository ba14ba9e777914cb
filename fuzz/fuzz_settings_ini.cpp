// The settings file as arbitrary bytes: parse, read every key, write keys back
// and check that what was written reads back the same.
#include "base/file_name.h"
#include "fuzz_check.h"
#include "settings/ini_file.h"

#include <cstdint>

using lumora::decodeFileName;
using lumora::encodeFileName;
using lumora::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniDocument doc = IniDocument::parse(bytes);

    // Writing out an untouched file and reading it again changes nothing.
    const QByteArray once = doc.serialize();
    const IniDocument again = IniDocument::parse(once);
    check(again.serialize() == once);
    const QStringList sections = doc.sections();
    check(again.sections() == sections);

    for (const QString& section : sections) {
        const QStringList keys = doc.keys(section);
        check(again.keys(section) == keys);
        for (const QString& key : keys)
            check(again.value(section, key) == doc.value(section, key));
    }

    // Duplicate sections and keys share one entry (the first), so each name once.
    int budget = 64;
    QStringList seen;
    for (const QString& section : sections) {
        if (seen.contains(section, Qt::CaseInsensitive))
            continue;
        seen << section;
        QStringList keysSeen;
        for (const QString& key : doc.keys(section)) {
            if (keysSeen.contains(key, Qt::CaseInsensitive))
                continue;
            keysSeen << key;
            if (--budget < 0)
                break;
            const auto value = doc.value(section, key);
            check(value.has_value());
            // A value written back, with blanks and quotes around it, survives whole.
            const QString odd = QStringLiteral(" \"") + *value + QStringLiteral("\" ");
            doc.writeString(section, key, odd);
            check(IniDocument::parse(doc.serialize()).value(section, key) == odd);
        }
    }
    if (!sections.isEmpty()) {
        // A list section written the way the storage writes one.
        const QString list = sections.front() + QStringLiteral(".Fuzz_Items");
        doc.eraseSection(list);
        doc.writeString(list, QStringLiteral("Count"), QStringLiteral("2"));
        doc.writeString(list, QStringLiteral("Item0"), decodeFileName(bytes.left(64)));
        doc.writeString(list, QStringLiteral("Item1"), QString());
        const IniDocument read = IniDocument::parse(doc.serialize());
        check(read.keys(list) == QStringList({"Count", "Item0", "Item1"}));
        // Whatever the bytes, they come back as they were (line breaks aside).
        QByteArray expected = bytes.left(64);
        expected.replace('\r', ' ').replace('\n', ' ');
        check(encodeFileName(read.readString(list, QStringLiteral("Item0"), {})) == expected);
        doc.eraseSection(sections.front());
        check(!IniDocument::parse(doc.serialize()).hasSection(sections.front()));
    }
    return 0;
}

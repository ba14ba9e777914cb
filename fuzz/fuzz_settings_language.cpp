// A language pack as arbitrary bytes: line ends, decoding, the cut of long
// lines and the capacity, then the lines written back and read again.
#include "fuzz_check.h"
#include "platform/errors.h"
#include "settings/language_pack.h"

#include <cstdint>

using lumora::kLanguageLineLength;
using lumora::kLanguageLinesKept;
using lumora::kLanguagePackCapacity;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // An input that starts with 0xFE stands for a pack repeated past the
    // capacity: it must be refused whole.
    if (size > 1 && data[0] == 0xFE) {
        const QByteArray large = bytes.repeated(kLanguagePackCapacity / bytes.size() + 1);
        try {
            lumora::parseLanguagePack(large);
            check(false);
        } catch (const lumora::EError& e) {
            check(e.message() == QStringLiteral("Text exceeds memo capacity"));
        }
        return 0;
    }

    const QStringList lines = lumora::parseLanguagePack(bytes);
    check(lines.size() <= kLanguageLinesKept);
    check(lines.size() <= bytes.count('\r') + bytes.count('\n') + 1);
    for (const QString& line : lines) {
        check(line.size() <= kLanguageLineLength);
        check(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(0)));
        check(line.isEmpty() || !line.back().isHighSurrogate());
    }
    // Written back as UTF-8 behind a mark of its own, the lines read the same.
    check(lumora::parseLanguagePack("\xEF\xBB\xBF" + lumora::formatLanguagePack(lines)) == lines);
    return 0;
}

// mimeapps.list as arbitrary bytes: our entry is set, a second time changes
// nothing, and every line that is not the type's entry stays, in order.
#include "fuzz_check.h"
#include "platform/file_types.h"

#include <QList>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString type = QStringLiteral("application/x-lss-auto-file");
    const QString id = QStringLiteral("lumora-lss-auto-file.desktop");
    const QByteArray once = lumora::withDefaultApplication(bytes, type, id);
    check(lumora::withDefaultApplication(once, type, id) == once);
    check(once.contains("=lumora-lss-auto-file.desktop;"));

    const QList<QByteArray> out = once.split('\n');
    qsizetype at = 0;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0 && line.left(equals).trimmed() == type.toUtf8())
            continue;
        while (at < out.size() && out[at] != line)
            ++at;
        check(at < out.size());
        ++at;
    }
    return 0;
}

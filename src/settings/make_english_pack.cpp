// Writes the built-in English lines as a language pack, so the shipped
// english.lml and the program's own texts never differ.
#include "settings/language_pack.h"
#include "settings/language_table.h"

#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PACK\n", argv[0]);
        return 2;
    }
    QFile pack(QString::fromLocal8Bit(argv[1]));
    const QByteArray bytes = lumora::formatLanguagePack(lumora::builtInLanguageLines());
    if (!pack.open(QIODevice::WriteOnly | QIODevice::Truncate) || pack.write(bytes) != bytes.size())
        return 1;
    return pack.flush() ? 0 : 1;
}

// nviewlib-decode IN [OUT.png]: decodes IN as the preview does, prints its
// size and writes OUT when given. Exits 0 for files it cannot decode too, so
// that scripts can run it over whole folders.

#include "nviewlib/nviewlib.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: nviewlib-decode IN [OUT.png]\n");
        return 2;
    }
    const QString in = QString::fromLocal8Bit(argv[1]);
    const QImage image = lumora::NViewLibLoad(in, 1);
    if (image.isNull()) {
        std::printf("%s: cannot decode\n", argv[1]);
        return 0;
    }
    std::printf("%d %d\n", image.width(), image.height());
    if (argc == 3 && !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}

// lumora-icons FILE [OUTDIR]: prints the number of icons the icon grid lists
// for FILE (-1 for a name that is not there, 0 for a file without icons) and
// writes icon N as OUTDIR/N.png, the image cell N of the grid shows at scale
// 1; an empty cell writes nothing. Exits 0 for files it cannot read too, so
// that scripts can run it over whole folders; 2 on wrong usage.

#include "base/file_name.h"
#include "platform/icons.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace lumora;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: lumora-icons FILE [OUTDIR]\n");
        return 2;
    }
    const QString file = decodeFileName(QByteArray(argv[1]));
    if (!fileExists(file)) {
        std::printf("-1\n");
        return 0;
    }
    const IconResources icons = IconResources::open(file);
    std::printf("%d\n", icons.count());
    if (argc < 3)
        return 0;
    const QString folder = QFile::decodeName(argv[2]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "%s: cannot create\n", argv[2]);
        return 1;
    }
    for (int i = 0; i < icons.count(); ++i) {
        const QImage image = icons.icon(i, kStandardIconSize);
        if (image.isNull())
            continue;
        const QString target = folder + QStringLiteral("/%1.png").arg(i);
        if (!image.save(target, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", qPrintable(target));
            return 1;
        }
    }
    return 0;
}

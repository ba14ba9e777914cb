// Build tool: writes a picture as the pixels the program shows, so that the
// program wraps them where they lie instead of decoding a file at start.
// Usage: raw_picture IN.png OUT.raw. OUT holds the width, the height and the
// QImage format (32-bit little-endian each), then the scan lines.
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: raw_picture IN OUT\n");
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[1]));
    if (picture.isNull() || picture.depth() != 32) {
        std::fprintf(stderr, "raw_picture: %s is not a 32-bit picture once read\n", argv[1]);
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    const qint32 header[3] = {picture.width(), picture.height(), qint32(picture.format())};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int y = 0; y < picture.height(); ++y)
        out.write(reinterpret_cast<const char*>(picture.constScanLine(y)), picture.width() * 4);
    out.close();
    return out.error() == QFileDevice::NoError ? 0 : 1;
}

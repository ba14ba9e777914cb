#pragma once

// Helpers for the decoder tests: pictures made by ImageMagick at test time,
// ImageMagick's own decode of a file as the reference, and a byte builder for
// the variants ImageMagick cannot write.

#include "nviewlib/nviewlib.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <vector>

namespace lumora::test {

inline QString scratchDir() {
    static test::ScratchDir dir(QDir::tempPath() + QStringLiteral("/nviewlib-XXXXXX"));
    return dir.path();
}

inline QString scratch(const QString& name) {
    return scratchDir() + QLatin1Char('/') + name;
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

// Runs a program; its standard output, or a null array when it failed.
inline QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    QByteArray out = p.readAllStandardOutput();
    if (out.isNull())
        out = QByteArray("");
    return out;
}

inline bool convert(const QStringList& args) {
    return !run(QStringLiteral("convert"), args).isNull();
}

inline QString identify(const QString& format, const QString& path) {
    return QString::fromLatin1(
        run(QStringLiteral("identify"), {QStringLiteral("-format"), format, path}));
}

// The source pictures: an odd width so that rows need padding, colours with
// some variety, and a version with a graded alpha channel.
inline QString sourcePicture(bool alpha = false) {
    const QString path =
        scratch(alpha ? QStringLiteral("src-alpha.png") : QStringLiteral("src.png"));
    if (!QFile::exists(path)) {
        QStringList args = {QStringLiteral("-seed"), QStringLiteral("7"), QStringLiteral("-size"),
                            QStringLiteral("37x23"), QStringLiteral("plasma:fractal")};
        if (alpha)
            args << QStringLiteral("-alpha") << QStringLiteral("set") << QStringLiteral("-channel")
                 << QStringLiteral("A") << QStringLiteral("-fx") << QStringLiteral("0.2+0.8*i/w")
                 << QStringLiteral("+channel");
        args << QStringLiteral("-depth") << QStringLiteral("8") << path;
        EXPECT_TRUE(convert(args));
    }
    return path;
}

// ImageMagick's decode of a file, upright, as 8-bit RGBA rows.
inline QByteArray magickRgba(const QString& path) {
    return run(QStringLiteral("convert"),
               {path, QStringLiteral("-auto-orient"), QStringLiteral("-depth"), QStringLiteral("8"),
                QStringLiteral("rgba:-")});
}

inline QByteArray rgbaOf(const QImage& image) {
    const QImage c = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray out;
    for (int y = 0; y < c.height(); ++y)
        out.append(reinterpret_cast<const char*>(c.constScanLine(y)), c.width() * 4);
    return out;
}

// Number of pixels that differ; -1 when the sizes differ.
inline qint64 differingPixels(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return -1;
    qint64 n = 0;
    for (qsizetype i = 0; i < a.size(); i += 4)
        n += std::memcmp(a.constData() + i, b.constData() + i, 4) != 0;
    return n;
}

// Our decode equals ImageMagick's, pixel for pixel.
inline void expectSameAsMagick(const QImage& ours, const QString& path) {
    ASSERT_FALSE(ours.isNull()) << path.toStdString();
    const QImage reference = QImage::fromData(run(
        QStringLiteral("convert"), {path, QStringLiteral("-auto-orient"), QStringLiteral("-depth"),
                                    QStringLiteral("8"), QStringLiteral("png:-")}));
    ASSERT_EQ(ours.size(), reference.size()) << path.toStdString();
    EXPECT_EQ(differingPixels(rgbaOf(ours), magickRgba(path)), 0) << path.toStdString();
}

// Little-endian byte builder for hand-made files.
struct Bytes {
    QByteArray d;
    Bytes& u8(int v) {
        d.append(char(v & 0xff));
        return *this;
    }
    Bytes& u16(int v) { return u8(v).u8(v >> 8); }
    Bytes& u32(quint32 v) { return u16(int(v & 0xffff)).u16(int(v >> 16)); }
    Bytes& raw(const QByteArray& b) {
        d.append(b);
        return *this;
    }
    Bytes& zeros(int n) {
        d.append(QByteArray(n, '\0'));
        return *this;
    }
};

// A picture as rows of QRgb, for comparing with hand-made files.
using Pixels = std::vector<std::vector<QRgb>>;

inline Pixels pixelsOf(const QImage& image) {
    Pixels rows(size_t(image.height()), std::vector<QRgb>(size_t(image.width())));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            rows[size_t(y)][size_t(x)] = image.pixel(x, y);
    return rows;
}

}  // namespace lumora::test

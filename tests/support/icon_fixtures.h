#pragma once

// Files with icons for tests and benchmarks: icon files by ImageMagick, real
// PE libraries by mingw's windres and ld, and what no tool here writes (16-bit
// icon libraries, cursors, animated cursors) by small writers. icoutils reads
// them back as a second opinion.

#include "support/run_tool.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtEndian>

namespace lumora::test {

// An icon file by ImageMagick: convert's arguments, the file last.
inline bool magickIcon(const QStringList& arguments) {
    return runTool(QStringLiteral("convert"), arguments);
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

enum class PeFormat { Pe32, Pe32Plus };

// A resource-only DLL linked from a resource script (`1 ICON "/abs/a.ico"`
// lines, LANGUAGE statements and all), as a program's build makes one.
inline bool makeIconLibrary(const QString& dll, const QString& script, PeFormat format) {
    const QString tools = format == PeFormat::Pe32 ? QStringLiteral("i686-w64-mingw32-")
                                                   : QStringLiteral("x86_64-w64-mingw32-");
    const QString rc = dll + QStringLiteral(".rc");
    const QString res = dll + QStringLiteral(".res");
    const bool made = writeBytes(rc, script.toUtf8()) &&
                      runTool(tools + QStringLiteral("windres"),
                              {QStringLiteral("--preprocessor=cpp"), rc, QStringLiteral("-O"),
                               QStringLiteral("coff"), QStringLiteral("-o"), res}) &&
                      runTool(tools + QStringLiteral("ld"),
                              {QStringLiteral("--dll"), QStringLiteral("-e"), QStringLiteral("0"),
                               QStringLiteral("-o"), dll, res});
    QFile::remove(rc);
    QFile::remove(res);
    return made;
}

// The numbers (or names) of a program's icon groups as wrestool lists them,
// each once.
inline QStringList wrestoolIconGroups(const QString& file) {
    QByteArray listing;
    if (!runTool(QStringLiteral("wrestool"), {QStringLiteral("-l"), file}, &listing))
        return {QStringLiteral("wrestool failed")};
    QStringList groups;
    for (const QByteArray& line : listing.split('\n')) {
        if (!line.startsWith("--type=14 "))
            continue;
        // --name=3 or --name='NAMED'
        QString name = QString::fromUtf8(line.split(' ').value(1)).mid(7);
        name.remove(u'\'');
        if (!groups.contains(name))
            groups << name;
    }
    return groups;
}

// The size x size image of an icon file as icotool extracts it.
inline QImage icotoolImage(const QString& icoFile, int size, const QString& scratch) {
    const QString png = scratch + QStringLiteral("/icotool-%1.png").arg(size);
    QFile::remove(png);
    if (!runTool(QStringLiteral("icotool"),
                 {QStringLiteral("-x"), QStringLiteral("-w"), QString::number(size),
                  QStringLiteral("-h"), QString::number(size), QStringLiteral("-o"), png, icoFile}))
        return {};
    return QImage(png).convertToFormat(QImage::Format_ARGB32);
}

// Group name of a program as wrestool extracts it into an icon file.
inline bool wrestoolExtract(const QString& file, const QString& group, const QString& ico) {
    return runTool(QStringLiteral("wrestool"),
                   {QStringLiteral("-x"), QStringLiteral("--type=14"),
                    QStringLiteral("--name=") + group, QStringLiteral("-o"), ico, file});
}

// --- writers of the formats no tool here makes

inline void put16(QByteArray& out, quint32 value) {
    char b[2];
    qToLittleEndian(quint16(value), b);
    out.append(b, 2);
}

inline void put32(QByteArray& out, quint32 value) {
    char b[4];
    qToLittleEndian(value, b);
    out.append(b, 4);
}

inline quint32 le16At(const QByteArray& d, qsizetype at) {
    return qFromLittleEndian<quint16>(d.constData() + at);
}

inline quint32 le32At(const QByteArray& d, qsizetype at) {
    return qFromLittleEndian<quint32>(d.constData() + at);
}

// One image of an icon file with the directory entry that describes it.
struct IconImage {
    QByteArray entry;  // the first 12 bytes of the file's directory entry
    QByteArray data;
};

inline QList<IconImage> iconImages(const QByteArray& ico) {
    QList<IconImage> images;
    for (quint32 i = 0; i < le16At(ico, 4); ++i) {
        const qsizetype at = 6 + 16 * i;
        images.append({ico.mid(at, 12), ico.mid(le32At(ico, at + 12), le32At(ico, at + 8))});
    }
    return images;
}

// An icon file of these images.
inline QByteArray iconFile(const QList<IconImage>& images) {
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, quint32(images.size()));
    quint32 at = 6 + 16 * quint32(images.size());
    QByteArray data;
    for (const IconImage& image : images) {
        out += image.entry.left(8);
        put32(out, quint32(image.data.size()));
        put32(out, at + quint32(data.size()));
        data += image.data;
    }
    return out + data;
}

// The same images as a cursor file, every hot spot at (x, y).
inline QByteArray cursorFromIcon(QByteArray ico, int x, int y) {
    ico[2] = 2;
    for (quint32 i = 0; i < le16At(ico, 4); ++i) {
        const qsizetype at = 6 + 16 * i;
        qToLittleEndian(quint16(x), ico.data() + at + 4);
        qToLittleEndian(quint16(y), ico.data() + at + 6);
    }
    return ico;
}

inline QByteArray riffChunk(const char* tag, const QByteArray& body) {
    QByteArray chunk(tag, 4);
    put32(chunk, quint32(body.size()));
    chunk += body;
    if (body.size() % 2)
        chunk += '\0';
    return chunk;
}

// An animated cursor of these icon or cursor files, shown in the order of
// sequence (empty: in their own order).
inline QByteArray animatedCursor(const QList<QByteArray>& frames, const QList<quint32>& sequence) {
    const qsizetype steps = sequence.isEmpty() ? frames.size() : sequence.size();
    QByteArray header;
    for (quint32 v : {36u, quint32(frames.size()), quint32(steps), 0u, 0u, 0u, 0u, 10u,
                      sequence.isEmpty() ? 1u : 3u})
        put32(header, v);
    QByteArray rates;
    for (qsizetype i = 0; i < steps; ++i)
        put32(rates, 10);
    QByteArray list("fram");
    for (const QByteArray& frame : frames)
        list += riffChunk("icon", frame);
    QByteArray body("ACON");
    body += riffChunk("anih", header) + riffChunk("rate", rates);
    if (!sequence.isEmpty()) {
        QByteArray order;
        for (quint32 step : sequence)
            put32(order, step);
        body += riffChunk("seq ", order);
    }
    body += riffChunk("LIST", list);
    return riffChunk("RIFF", body);
}

// A 16-bit icon library: one group per icon file, in order, each repeated
// copies times; the copies name the same images.
inline QByteArray neIconLibrary(const QList<QByteArray>& icons, int copies = 1) {
    constexpr int kShift = 4;
    const auto align = [](QByteArray& d) {
        while (d.size() % (1 << kShift))
            d += '\0';
    };
    QList<IconImage> images;
    QList<QByteArray> groups;
    for (const QByteArray& ico : icons) {
        QByteArray group;
        put16(group, 0);
        put16(group, 1);
        const QList<IconImage> own = iconImages(ico);
        put16(group, quint32(own.size()));
        for (const IconImage& image : own) {
            group += image.entry;
            images.append(image);
            put16(group, quint32(images.size()));  // icon numbers start at 1
        }
        for (int i = 0; i < copies; ++i)
            groups.append(group);
    }

    // Resource table: icons, then groups, then the end; names follow it.
    const int tableSize = 2 + 8 + 12 * int(images.size()) + 8 + 12 * int(groups.size()) + 2;
    const int dataAt = ((0x80 + tableSize + 1) / 16 + 1) * 16;
    QByteArray data;
    QByteArray table;
    put16(table, kShift);
    const auto resources = [&](quint32 type, const QList<QByteArray>& items) {
        put16(table, type);
        put16(table, quint32(items.size()));
        put32(table, 0);
        for (qsizetype i = 0; i < items.size(); ++i) {
            put16(table, quint32((dataAt + data.size()) >> kShift));
            put16(table, quint32((items[i].size() + 15) >> kShift));
            put16(table, 0x1C30);
            put16(table, 0x8000 | quint32(i + 1));
            put32(table, 0);
            data += items[i];
            align(data);
        }
    };
    QList<QByteArray> imageData;
    for (const IconImage& image : images)
        imageData.append(image.data);
    resources(0x8003, imageData);
    resources(0x800E, groups);
    put16(table, 0);
    table += '\0';  // an empty resident name table

    QByteArray file("MZ");
    file.resize(0x3C, '\0');
    put32(file, 0x40);
    QByteArray header("NE");
    header.resize(64, '\0');
    qToLittleEndian(quint16(0x40), header.data() + 0x24);
    qToLittleEndian(quint16(0x40 + table.size() - 1), header.data() + 0x26);
    file += header + table;
    file.resize(dataAt, '\0');
    return file + data;
}

}  // namespace lumora::test

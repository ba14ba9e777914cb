#pragma once

// Media made for the tests by the ffmpeg program, and waiting on players.

#include "support/fake_dialogs.h"
#include "support/run_tool.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <functional>
#include <vector>

namespace lumora::test {

inline QString mediaFolder() {
    const QString folder = testHome() + QStringLiteral("/media");
    QDir().mkpath(folder);
    return folder;
}

// Makes NAME in the media folder with ffmpeg (inputs and options before the
// output name), once per test run.
inline QString ffmpegFile(const QString& name, const QStringList& arguments) {
    const QString path = mediaFolder() + u'/' + name;
    if (!QFileInfo::exists(path)) {
        QStringList all{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                        QStringLiteral("error"), QStringLiteral("-y")};
        all << arguments << path;
        EXPECT_TRUE(runTool(QStringLiteral("ffmpeg"), all)) << name.toStdString();
    }
    return path;
}

inline QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = mediaFolder() + u'/' + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One second of 440 Hz, 16-bit mono at 44.1 kHz.
inline QString toneWav() {
    return ffmpegFile(QStringLiteral("tone.wav"),
                      {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=1",
                       "-c:a", "pcm_s16le"});
}

// Two seconds of MPEG-1 layer II.
inline QString toneMp2() {
    return ffmpegFile(QStringLiteral("tone.mp2"),
                      {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2",
                       "-c:a", "mp2", "-b:a", "128k"});
}

// Two seconds of MPEG-1 program stream, 160x120 at 25 fps: red for the first
// second, blue for the second, with a tone.
inline QString redBlueMpeg() {
    return ffmpegFile(QStringLiteral("redblue.mpg"),
                      {"-f",
                       "lavfi",
                       "-i",
                       "color=c=red:s=160x120:r=25:d=1",
                       "-f",
                       "lavfi",
                       "-i",
                       "color=c=blue:s=160x120:r=25:d=1",
                       "-f",
                       "lavfi",
                       "-i",
                       "sine=frequency=300:sample_rate=44100:duration=2",
                       "-filter_complex",
                       "[0:v][1:v]concat=n=2:v=1:a=0[v]",
                       "-map",
                       "[v]",
                       "-map",
                       "2:a",
                       "-c:v",
                       "mpeg1video",
                       "-q:v",
                       "2",
                       "-c:a",
                       "mp2",
                       "-f",
                       "mpeg"});
}

// A second of green MPEG-1 video without sound. Its header says it lasts
// 40 ms, as FFmpeg reckons such a file: the medium is longer than its header.
inline QString silentMpeg() {
    return ffmpegFile(QStringLiteral("green.mpg"),
                      {"-f", "lavfi", "-i", "color=c=green:s=160x120:r=25:d=1", "-c:v",
                       "mpeg1video", "-q:v", "2", "-f", "mpeg"});
}

// A second of raw MPEG-1 video: no container, no sound, and a length of 0
// until it has played.
inline QString rawMpegVideo() {
    return ffmpegFile(QStringLiteral("raw.m1v"),
                      {"-f", "lavfi", "-i", "color=c=green:s=160x120:r=25:d=1", "-c:v",
                       "mpeg1video", "-f", "mpeg1video"});
}

// An AVI of `seconds` of ffmpeg's test picture (160 x 120 unless given) at
// fps, encoded with the video options, with a 440 Hz tone encoded with the
// audio options (none: no sound track).
inline QString aviFile(const QString& name, int fps, const QStringList& video,
                       const QStringList& audio = {}, double seconds = 1,
                       const QString& size = QStringLiteral("160x120")) {
    QStringList arguments{
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc2=s=%1:r=%2:d=%3").arg(size).arg(fps).arg(seconds)};
    if (!audio.isEmpty())
        arguments
            << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
            << QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds);
    arguments << video << (audio.isEmpty() ? QStringList{QStringLiteral("-an")} : audio);
    return ffmpegFile(name, arguments);
}

// `frames` raw 24-bit frames of 32 x 24 at fps, each of one colour: red is 4 x
// its number, green 255 minus that, blue 128.
inline QString numberedAvi(const QString& name, int frames, int fps = 25) {
    return ffmpegFile(
        name, {"-f", "lavfi", "-i",
               QStringLiteral("color=c=black:s=32x24:r=%1,format=rgb24,"
                              "geq=r='4*N':g='255-4*N':b=128")
                   .arg(fps),
               "-frames:v", QString::number(frames), "-c:v", "rawvideo", "-pix_fmt", "bgr24"});
}

inline void setLe32(QByteArray& bytes, qsizetype at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

inline void setLe16(QByteArray& bytes, qsizetype at, uint16_t value) {
    bytes[at] = char(value);
    bytes[at + 1] = char(value >> 8);
}

// Where the header ('strh') of the AVI's first stream of that type ("vids",
// "auds") begins; -1 for none.
inline qsizetype aviStreamHeader(const QByteArray& avi, const char* type) {
    for (qsizetype at = avi.indexOf("strh"); at >= 0; at = avi.indexOf("strh", at + 4))
        if (avi.mid(at + 8, 4) == type)
            return at + 8;
    return -1;
}

// Where the chunks of that id ("00dc": the video's frames) in the AVI's
// movi list begin, in file order.
inline std::vector<qsizetype> aviChunks(const QByteArray& avi, const char* id) {
    std::vector<qsizetype> found;
    const qsizetype movi = avi.indexOf("movi");
    for (qsizetype at = movi + 4; movi > 0 && at + 8 <= avi.size();) {
        const QByteArray tag = avi.mid(at, 4);
        if (tag == "idx1")
            break;
        if (tag == "LIST") {  // a list of chunks: go inside
            at += 12;
            continue;
        }
        if (tag == id)
            found.push_back(at);
        const uint32_t size = qFromLittleEndian<uint32_t>(avi.constData() + at + 4);
        at += 8 + qsizetype(size) + (size & 1);
    }
    return found;
}

// Zeroes the data of the chunk at `chunk`.
inline void blankChunk(QByteArray& avi, qsizetype chunk) {
    const qsizetype size = qFromLittleEndian<uint32_t>(avi.constData() + chunk + 4);
    avi.replace(chunk + 8, size, QByteArray(size, '\0'));
}

// Runs the event loop until done() holds; false after timeoutMs (a player
// that hangs, never a matter of speed: the limits are generous).
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace lumora::test

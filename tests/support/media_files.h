#pragma once

// Media made for the tests by the ffmpeg program, and waiting on players.

#include "support/fake_dialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <functional>

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
        EXPECT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), all), 0) << name.toStdString();
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

#pragma once

// For benchmarks that run the program's windows in-process: a home of their
// own (the program writes its settings at exit) and dialogs that never wait.

#include "platform/dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace lumora::bench {

class QuietDialogs final : public Dialogs {
public:
    MsgResult message(QWidget*, const QString&, const QString& text, MsgIcon, MsgButtons) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return MsgResult::Ok;
    }
    QString openFile(QWidget*, const FileDialogOptions&) override { return {}; }
    QStringList openFiles(QWidget*, const FileDialogOptions&) override { return {}; }
    QString saveFile(QWidget*, const FileDialogOptions&) override { return {}; }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
};

// Points HOME and the XDG folders into home, which must outlive the run.
inline void useHome(const QTemporaryDir& home) {
    const QByteArray base = home.path().toLocal8Bit();
    QDir(home.path()).mkpath(QStringLiteral("config"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", base.constData(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

}  // namespace lumora::bench

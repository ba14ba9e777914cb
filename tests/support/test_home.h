#pragma once

#include "support/scratch_dir.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>

namespace lumora::test {

// A home of its own for a test or benchmark run: HOME and the XDG folders
// point below a temporary folder, so no run touches the user's files.
class TestHome {
public:
    TestHome() : root_(QDir::tempPath() + QStringLiteral("/lumora-test-XXXXXX")) {
        const QByteArray base = QFile::encodeName(root_.path());
        for (const char* sub : {"config", "data", "cache", "Desktop", "runtime"})
            QDir(root_.path()).mkpath(QString::fromLatin1(sub));
        // The runtime folder must belong to the user alone, or Qt complains.
        QFile::setPermissions(
            root_.path() + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("HOME", base.constData(), 1);
        setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
        setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
        setenv("XDG_CACHE_HOME", (base + "/cache").constData(), 1);
        setenv("XDG_DESKTOP_DIR", (base + "/Desktop").constData(), 1);
        setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
        // Sound goes nowhere unless a run asks for a driver.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }

    QString path() const { return root_.path(); }

private:
    ScratchDir root_;
};

}  // namespace lumora::test

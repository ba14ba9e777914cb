#include "platform/application.h"
#include "support/fake_dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace lumora::test {
namespace {
QString home;
FakeDialogs* installed = nullptr;
}  // namespace

FakeDialogs& fakeDialogs() {
    return *installed;
}
QString testHome() {
    return home;
}

}  // namespace lumora::test

// The offscreen platform announces each window it cannot size by hints.
static QtMessageHandler previousHandler = nullptr;
static void quietOffscreenNoise(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char** argv) {
    using namespace lumora;
    // Every test run lives in a home of its own: no test touches the user's files.
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lumora-test-XXXXXX"));
    test::home = root.path();
    const QByteArray base = root.path().toLocal8Bit();
    for (const char* sub : {"config", "data", "cache", "Desktop", "runtime"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    setenv("HOME", base.constData(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (base + "/cache").constData(), 1);
    setenv("XDG_DESKTOP_DIR", (base + "/Desktop").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    QFile::setPermissions(root.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    previousHandler = qInstallMessageHandler(quietOffscreenNoise);
    TApplication app(argc, argv);
    test::FakeDialogs dialogs;
    test::installed = &dialogs;
    setDialogs(&dialogs);

    testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    setDialogs(nullptr);
    return result;
}

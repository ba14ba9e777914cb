#include "platform/application.h"
#include "platform/mci_backend/backend.h"
#include "support/fake_dialogs.h"
#include "support/test_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

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

// The offscreen platform announces each window it cannot size by hints, and
// each always-on-top window it cannot raise.
static QtMessageHandler previousHandler = nullptr;
static void quietOffscreenNoise(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")) ||
        message.contains(QLatin1String("does not support raise()")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char** argv) {
    using namespace lumora;
    // Every test run lives in a home of its own: no test touches the user's files.
    test::TestHome root;
    test::home = root.path();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    previousHandler = qInstallMessageHandler(quietOffscreenNoise);
    TApplication app(argc, argv);
    test::FakeDialogs dialogs;
    test::installed = &dialogs;
    setDialogs(&dialogs);
    useLinkedMediaBackend();

    testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    setDialogs(nullptr);
    return result;
}

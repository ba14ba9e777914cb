#pragma once

#include "support/qt_print.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace lumora::test {

// A test that runs with every window of the program created in start-up order
// and a settings folder of its own, emptied before each test.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Start-up arguments of the next SetUp (the pending start argument).
    virtual QStringList startArguments() const { return {}; }

    // The history lines recorded so far, without their times.
    static QStringList historyActions();
};

// Runs `inspect` on the next modal window as soon as it runs its event loop,
// then closes it (reject) unless it ended itself, so a test can drive a
// command that shows a window modally. Returns false from wasShown() if no modal window appeared.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> inspect = {});
    ~ModalAnswer();
    bool wasShown() const { return state_->shown; }

private:
    struct State {
        std::function<void(QWidget*)> inspect;
        bool shown = false;
        bool active = true;
    };
    std::shared_ptr<State> state_;
};

// The settings file of the test run.
QString settingsFile();

}  // namespace lumora::test

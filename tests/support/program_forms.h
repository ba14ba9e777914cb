#pragma once

// The program's windows, created as at start-up, for checks and benchmarks
// that run them in-process: dialogs never wait (a message box goes to
// onMessage) and the media back end is linked in.

#include "app/start_up.h"
#include "platform/dialogs.h"
#include "platform/mci_backend/backend.h"
#include "support/silent_dialogs.h"

#include <QStringList>
#include <functional>

namespace lumora::test {

class ProgramForms {
public:
    explicit ProgramForms(std::function<void(const QString& text)> onMessage,
                          const QStringList& arguments = {})
        : dialogs_(std::move(onMessage)) {
        setDialogs(&dialogs_);
        useLinkedMediaBackend();
        createForms(arguments);
    }
    ~ProgramForms() { end(); }
    ProgramForms(const ProgramForms&) = delete;
    ProgramForms& operator=(const ProgramForms&) = delete;

    // Destroys the windows (they write their settings) before the verdict.
    void end() {
        if (ended_)
            return;
        ended_ = true;
        destroyForms();
        setDialogs(nullptr);
    }

private:
    SilentDialogs dialogs_;
    bool ended_ = false;
};

}  // namespace lumora::test

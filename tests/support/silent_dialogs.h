#pragma once

#include "platform/dialogs.h"

#include <functional>
#include <utility>

namespace lumora::test {

// Dialogs that never wait, for runs with nobody to answer: file and folder
// dialogs are cancelled, and a message box, which such a run should never
// meet, is handed to `unexpected`.
class SilentDialogs final : public Dialogs {
public:
    explicit SilentDialogs(std::function<void(const QString& text)> unexpected)
        : unexpected_(std::move(unexpected)) {}

    MsgResult message(QWidget*, const QString&, const QString& text, MsgIcon, MsgButtons) override {
        unexpected_(text);
        return MsgResult::Ok;
    }
    QString openFile(QWidget*, const FileDialogOptions&) override { return {}; }
    QStringList openFiles(QWidget*, const FileDialogOptions&) override { return {}; }
    QString saveFile(QWidget*, const FileDialogOptions&) override { return {}; }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }

private:
    std::function<void(const QString&)> unexpected_;
};

}  // namespace lumora::test

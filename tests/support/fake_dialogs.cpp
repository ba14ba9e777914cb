#include "support/fake_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

namespace lumora::test {

void FakeDialogs::reset() {
    messages.clear();
    fileRequests.clear();
    messageAnswers.clear();
    fileAnswers.clear();
    filesAnswers.clear();
    folderAnswers.clear();
    whileMessageShown = nullptr;
}

QStringList FakeDialogs::messageTexts() const {
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}

MsgResult FakeDialogs::message(QWidget* parent, const QString& title, const QString& text,
                               MsgIcon icon, MsgButtons buttons) {
    messages.push_back({parent, title, text, icon, buttons});
    if (whileMessageShown)
        whileMessageShown();
    if (!messageAnswers.empty()) {
        MsgResult answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return (buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel) ? MsgResult::Ok
                                                                          : MsgResult::Yes;
}

template <class T>
static T takeFront(std::deque<T>& queue) {
    if (queue.empty())
        return {};
    T value = queue.front();
    queue.pop_front();
    return value;
}

QString FakeDialogs::openFile(QWidget*, const FileDialogOptions& options) {
    fileRequests.push_back(options);
    return takeFront(fileAnswers);
}

QStringList FakeDialogs::openFiles(QWidget*, const FileDialogOptions& options) {
    fileRequests.push_back(options);
    return takeFront(filesAnswers);
}

QString FakeDialogs::saveFile(QWidget*, const FileDialogOptions& options) {
    fileRequests.push_back(options);
    return takeFront(fileAnswers);
}

QString FakeDialogs::folder(QWidget*, const QString& title, const QString&) {
    FileDialogOptions options;
    options.title = title;
    fileRequests.push_back(options);
    return takeFront(folderAnswers);
}

void withRealFileDialogs(const std::function<void()>& command,
                         const std::function<void(RealFileDialog&)>& answer) {
    setDialogs(nullptr);
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        RealFileDialog shown{dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")),
                             dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")),
                             dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))};
        if (!shown.type || !shown.name || !shown.buttons) {
            dialog->reject();
            ADD_FAILURE() << "the file dialog lacks its type, name or buttons";
            return;
        }
        answer(shown);
    });
    look.start();
    command();
    look.stop();
    setDialogs(&fakeDialogs());
}

}  // namespace lumora::test

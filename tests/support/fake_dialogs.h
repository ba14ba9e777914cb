#pragma once

#include "platform/dialogs.h"
#include "support/qt_print.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

namespace lumora::test {

// Answers every dialog of the program from a script and keeps what was shown.
// Installed for the whole test run by the test main, so no box ever blocks.
class FakeDialogs final : public Dialogs {
public:
    struct Message {
        QPointer<QWidget> parent;
        QString title;
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };

    std::vector<Message> messages;
    std::vector<FileDialogOptions> fileRequests;

    // Scripted answers, used in order; without one a box gets its first button
    // and a file dialog is cancelled.
    std::deque<MsgResult> messageAnswers;
    std::deque<QString> fileAnswers;
    std::deque<QStringList> filesAnswers;
    std::deque<QString> folderAnswers;
    // Runs while a message box is "open", as the event loop of a real one would.
    std::function<void()> whileMessageShown;

    void reset();
    QStringList messageTexts() const;

    MsgResult message(QWidget* parent, const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override;
    QString openFile(QWidget* parent, const FileDialogOptions& options) override;
    QStringList openFiles(QWidget* parent, const FileDialogOptions& options) override;
    QString saveFile(QWidget* parent, const FileDialogOptions& options) override;
    QString folder(QWidget* parent, const QString& title, const QString& start) override;
};

// The instance the test main installed.
FakeDialogs& fakeDialogs();

// The parts of Qt's own file dialog that a user fills in.
struct RealFileDialog {
    QComboBox* type;
    QLineEdit* name;
    QDialogButtonBox* buttons;
};

// Runs command with Qt's own dialogs in place of the fakes; answer gets the
// file dialog each time it is found showing (looked for every 20 ms).
void withRealFileDialogs(const std::function<void()>& command,
                         const std::function<void(RealFileDialog&)>& answer);

// The temporary home of this test run (HOME, XDG_CONFIG_HOME and friends live below it).
QString testHome();

}  // namespace lumora::test

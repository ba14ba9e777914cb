#include "support/program.h"
#include "app/start_up.h"

#include "app/history_window.h"
#include "support/fake_dialogs.h"
#include "ui/forms.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

namespace lumora::test {

QString settingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora/lmr1001.ini");
}

void ProgramTest::SetUp() {
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/lumora"))
        .removeRecursively();
    fakeDialogs().reset();
    createForms(startArguments());
}

void ProgramTest::TearDown() {
    destroyForms();
    // The file list made the folder it showed current; it may be gone now.
    QDir::setCurrent(testHome());
    fakeDialogs().reset();
}

QStringList ProgramTest::historyActions() {
    QStringList actions;
    for (const QString& line : forms().Form21->History)
        actions << line.left(line.indexOf(u',') + 1);
    return actions;
}

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> inspect)
    : state_(std::make_shared<State>()) {
    state_->inspect = std::move(inspect);
    // Polls until a modal window runs, inspects it once and ends it.
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [state = state_, timer] {
        QWidget* modal = state->active ? QApplication::activeModalWidget() : nullptr;
        if (state->active && !modal)
            return;
        timer->stop();
        timer->deleteLater();
        if (!modal)
            return;
        state->shown = true;
        state->active = false;
        if (state->inspect)
            state->inspect(modal);
        // A window that ended itself keeps its own result.
        if (!modal->isVisible())
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer->start();
}

ModalAnswer::~ModalAnswer() {
    state_->active = false;
}

}  // namespace lumora::test

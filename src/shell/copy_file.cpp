#include "shell/copy_file.h"

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "shell/copy_progress_window.h"
#include "shell/file_copier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstring>
#include <memory>

namespace lumora {
namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// How often a long copy lets the other windows paint and answer the window
// manager; clicks and keys wait until the copy is over.
constexpr qint64 kEventsEveryMs = 50;

}  // namespace

TCopyFile::TCopyFile(QObject* owner) : QObject(owner) {}

QWidget* TCopyFile::ownerWindow() const {
    auto* widget = qobject_cast<QWidget*>(parent());
    return widget ? widget->window() : nullptr;
}

bool TCopyFile::destinationFolderReady() {
    const qsizetype slash = CopyTo.lastIndexOf(u'/');
    if (slash < 0)
        return true;  // the current folder
    const QString folder = CopyTo.left(slash + 1);
    if (folderExists(folder))
        return true;
    if (fileExists(folder.chopped(1)))
        throw EInOutError::cannotCreate(CopyTo);  // a file stands where the folder would be
    const MsgResult answer = dialogs().message(
        ownerWindow(), QStringLiteral("Confirm"),
        QStringLiteral("Destination Directory ") + folder + QStringLiteral(" doesn't exists...") +
            QStringLiteral("\n\nDo you want to create the directory ?"),
        MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgResult::Yes) {
        dialogs().message(ownerWindow(), QStringLiteral("Warning"),
                          QStringLiteral("Process Aborted"), MsgIcon::Warning, MsgButtons::Ok);
        return false;
    }
    if (!makeFolders(folder))
        throw EInOutError::cannotCreate(CopyTo);
    return true;
}

void TCopyFile::raise(CopyOutcome outcome, const FileCopier& copier) const {
    const QString why = reason(copier.error());
    switch (outcome) {
        case CopyOutcome::CannotOpen:
            throw EInOutError::cannotOpen(CopyFrom);
        case CopyOutcome::NotRegularFile:
            throw EInOutError(
                QStringLiteral("Cannot open file %1: it is not a regular file").arg(CopyFrom));
        case CopyOutcome::SameFile:
            throw EInOutError(Movefile
                                  ? QStringLiteral("Cannot move %1 onto itself").arg(CopyFrom)
                                  : QStringLiteral("Cannot copy %1 onto itself").arg(CopyFrom));
        case CopyOutcome::CannotCreate:
            throw EInOutError::cannotCreate(CopyTo);
        case CopyOutcome::ReadFailed:
            throw EInOutError(QStringLiteral("Read error in file %1: %2").arg(CopyFrom, why));
        case CopyOutcome::WriteFailed:
            throw EInOutError(QStringLiteral("Write error in file %1: %2").arg(CopyTo, why));
        case CopyOutcome::SourceChanged:
            throw EInOutError(QStringLiteral("%1 changed while it was moved, so it was kept. "
                                             "%2 holds it as it was read.")
                                  .arg(CopyFrom, CopyTo));
        case CopyOutcome::CannotDeleteSource:
            throw EInOutError(QStringLiteral("%1 was copied to %2 but could not be deleted: %3")
                                  .arg(CopyFrom, CopyTo, why));
        case CopyOutcome::Done:
            break;  // not a failure: never raised
    }
    Q_UNREACHABLE();
}

void TCopyFile::reportChangedSource() const {
    dialogs().message(ownerWindow(), QStringLiteral("Warning"),
                      QStringLiteral("%1 changed while it was copied: %2 holds it as it was read.")
                          .arg(CopyFrom, CopyTo),
                      MsgIcon::Warning, MsgButtons::Ok);
}

void TCopyFile::CopyFile() {
    const bool sourceExists = !CopyFrom.isEmpty() && fileExists(CopyFrom);
    if (sourceExists && !CopyTo.isEmpty() && !destinationFolderReady())
        return;
    if (!sourceExists || CopyTo.isEmpty()) {
        if (!OnNotExists.isEmpty())
            dialogs().message(ownerWindow(), TApplication::Title(), OnNotExists, MsgIcon::None,
                              MsgButtons::Ok);
        return;
    }

    processed_ = 0;
    FileCopier copier(CopyFrom, CopyTo);
    // Measured before the progress window shows.
    CopyOutcome outcome = copier.open();
    if (outcome != CopyOutcome::Done)
        raise(outcome, copier);

    std::unique_ptr<Tprogform> window;
    if (Progress) {
        window = std::make_unique<Tprogform>(ownerWindow());
        window->setWindowTitle(Caption);
        window->setFileNames(ShowFileNames ? fileNameOf(CopyFrom) + QStringLiteral(" -> ") +
                                                 fileNameOf(CopyTo)
                                           : QString());
        window->showCentred();
    }
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    outcome = copier.copy(TransferTimeDate, [&](qint64 copied) {
        const int percent = percentCopied(copied, copier.size());
        if (percent != processed_) {
            processed_ = percent;
            if (window)
                window->showPercent(percent);
        }
        if (sinceEvents.elapsed() >= kEventsEveryMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceEvents.restart();
        }
    });
    if (outcome == CopyOutcome::Done && Movefile)
        outcome = copier.deleteSource();
    window.reset();
    if (outcome != CopyOutcome::Done)
        raise(outcome, copier);
    if (copier.sourceChanged())
        reportChangedSource();
}

}  // namespace lumora

#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace lumora {

class FileCopier;
enum class CopyOutcome;

// The file-copy component: copies CopyFrom to CopyTo with a progress window,
// keeps the date and, for a move, deletes the source after a complete copy.
// Problems are asked and told in message boxes; failures are EInOutError
// exceptions that end the calling handler.
class TCopyFile : public QObject {
    Q_OBJECT
public:
    explicit TCopyFile(QObject* owner = nullptr);

    QString CopyFrom;       // full path of the source
    QString CopyTo;         // full path of the destination: folder and name
    bool Progress = false;  // show the progress window
    QString OnNotExists;    // shown when the source is missing; empty: nothing
    bool ShowFileNames = false;
    QString Caption;  // of the progress window
    bool Movefile = false;
    bool TransferTimeDate = false;

    // Percentage copied so far, 0..100.
    int Processed() const { return processed_; }

    void CopyFile();

private:
    // Asks about a missing destination folder; false when the copy must not go on.
    bool destinationFolderReady();
    [[noreturn]] void raise(CopyOutcome outcome, const FileCopier& copier) const;
    // The copy or move has been made, but the source changed meanwhile.
    void reportChangedSource() const;
    QWidget* ownerWindow() const;

    int processed_ = 0;
};

}  // namespace lumora

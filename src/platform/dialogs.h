#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lumora {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// Options of an open or save dialog. The filter uses the program's own
// "description|pattern|description|pattern" notation; a dialog shows each
// description as it is.
struct FileDialogOptions {
    QString title;
    QString filter;
    QString defaultExt;  // with or without the leading "."
    QString fileName;    // initial file name, may be a pattern such as "*.bmp"
    QString initialDir;
    bool confirmOverwrite = true;  // a save dialog asks before a chosen file is replaced
};

// Every message box and file dialog of the program goes through this seam,
// so tests can answer them and read what was shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult message(QWidget* parent, const QString& title, const QString& text,
                              MsgIcon icon, MsgButtons buttons) = 0;
    // The chosen file, or an empty text when the user cancelled.
    virtual QString openFile(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QStringList openFiles(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString saveFile(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString folder(QWidget* parent, const QString& title, const QString& start) = 0;
};

Dialogs& dialogs();
// Replaces the dialogs for tests; nullptr brings back the real ones.
void setDialogs(Dialogs* replacement);

// A save dialog's choice with the default extension on it. A file of that
// name is replaced only when the user says so, asked once the extension is
// on; empty when the user cancels or says no.
QString chooseSaveFile(QWidget* parent, FileDialogOptions options);

// The Qt name filter for a "description|pattern|..." filter text.
QString qtNameFilter(const QString& filter);
// Appends the default extension when the chosen name has none.
QString withDefaultExtension(const QString& path, const QString& defaultExt);

}  // namespace lumora

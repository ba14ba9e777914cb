#include "platform/dialogs.h"

#include "base/file_name.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lumora {
namespace {

bool isPattern(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.contains(u'*') || name.contains(u'?');
}

class QtDialogs final : public Dialogs {
public:
    MsgResult message(QWidget* parent, const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override {
        QMessageBox box(parent);
        // A box over an always-on-top window must be above it too.
        if (parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
            case MsgIcon::None:
                box.setIcon(QMessageBox::NoIcon);
                break;
            case MsgIcon::Information:
                box.setIcon(QMessageBox::Information);
                break;
            case MsgIcon::Warning:
                box.setIcon(QMessageBox::Warning);
                break;
            case MsgIcon::Error:
                box.setIcon(QMessageBox::Critical);
                break;
            case MsgIcon::Question:
                box.setIcon(QMessageBox::Question);
                break;
        }
        switch (buttons) {
            case MsgButtons::Ok:
                box.setStandardButtons(QMessageBox::Ok);
                break;
            case MsgButtons::OkCancel:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                break;
            case MsgButtons::YesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                break;
            case MsgButtons::YesNoCancel:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes:
                return MsgResult::Yes;
            case QMessageBox::No:
                return MsgResult::No;
            case QMessageBox::Cancel:
                return MsgResult::Cancel;
            default:
                return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
        }
    }

    QString openFile(QWidget* parent, const FileDialogOptions& o) override {
        QFileDialog dialog(parent, o.title, o.initialDir, qtNameFilter(o.filter));
        dialog.setFileMode(QFileDialog::ExistingFile);
        return runNamed(dialog, o);
    }

    QStringList openFiles(QWidget* parent, const FileDialogOptions& o) override {
        return QFileDialog::getOpenFileNames(parent, o.title, startPath(o), qtNameFilter(o.filter),
                                             nullptr, QFileDialog::HideNameFilterDetails);
    }

    QString saveFile(QWidget* parent, const FileDialogOptions& o) override {
        QFileDialog dialog(parent, o.title, o.initialDir, qtNameFilter(o.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QString ext = o.defaultExt;
        if (ext.startsWith(u'.'))
            ext.remove(0, 1);
        dialog.setDefaultSuffix(ext);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !o.confirmOverwrite);
        return runNamed(dialog, o);
    }

    QString folder(QWidget* parent, const QString& title, const QString& start) override {
        return QFileDialog::getExistingDirectory(parent, title, start);
    }

private:
    // Runs a one-file dialog whose name box starts with the given name, also a
    // pattern such as "*.bmp"; a name that is still a pattern names no file, so
    // the dialog stays.
    static QString runNamed(QFileDialog& dialog, const FileDialogOptions& o) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.selectFile(o.fileName);
        for (;;) {
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return {};
            const QString chosen = dialog.selectedFiles().constFirst();
            if (!isPattern(chosen))
                return chosen;
        }
    }

    static QString startPath(const FileDialogOptions& o) {
        if (o.fileName.isEmpty() || o.fileName.contains(u'*'))
            return o.initialDir;
        return QFileInfo(o.fileName).isAbsolute() ? o.fileName : o.initialDir + u'/' + o.fileName;
    }
};

QtDialogs& realDialogs() {
    static QtDialogs instance;
    return instance;
}

Dialogs* current = nullptr;

}  // namespace

Dialogs& dialogs() {
    return current ? *current : realDialogs();
}

void setDialogs(Dialogs* replacement) {
    current = replacement;
}

QString chooseSaveFile(QWidget* parent, FileDialogOptions options) {
    options.confirmOverwrite = false;
    const QString chosen =
        withDefaultExtension(dialogs().saveFile(parent, options), options.defaultExt);
    if (chosen.isEmpty() || !fileExists(chosen))
        return chosen;
    const QString question =
        chosen + QStringLiteral(" already exists.\nDo you want to replace it?");
    return dialogs().message(parent, QStringLiteral("Confirm"), question, MsgIcon::Warning,
                             MsgButtons::YesNo) == MsgResult::Yes
               ? chosen
               : QString();
}

// The Qt name filter for a "description|pattern|..." filter text. Qt reads
// the patterns from the parentheses at the end; the dialogs show only the
// description (HideNameFilterDetails), which may hold the pattern already.
QString qtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        entries << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

QString withDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return defaultExt.startsWith(u'.') ? path + defaultExt : path + u'.' + defaultExt;
}

}  // namespace lumora

#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace lumora {

// A folder typed in an edit, or chosen with the browse button beside it
// (also Alt+Down in the edit), which opens the folder dialog at that folder.
class TDirectoryEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Text READ text WRITE setText)
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    // Title of the folder dialog.
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }

    QLineEdit* edit() const { return edit_; }
    QToolButton* browseButton() const { return browse_; }

    // Asks for a folder; the answer replaces the text unless cancelled.
    void browse();

signals:
    void textChanged(const QString& text);

private:
    QLineEdit* edit_;
    QToolButton* browse_;
    QString dialogTitle_;
};

}  // namespace lumora

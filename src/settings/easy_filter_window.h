#pragma once

#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace lumora {

class TFormStorage;
class TListBox;

// Applies a typed mask list to the file list and remembers it among the
// earlier easy filters.
class TForm19 : public TDialogForm {
    Q_OBJECT
public:
    TForm19();

    QLabel* Label1;
    QLineEdit* Edit1;  // the mask list to apply
    QLabel* Label2;
    TListBox* ListBox1;    // earlier easy filters, in the order applied
    QLineEdit* Edit2;      // the entry last clicked
    QPushButton* Button1;  // OK
    QPushButton* Button2;  // Cancel
    QPushButton* Button3;  // Remove All
    QPushButton* Button4;  // Remove
    QTimer* Timer1;
    TFormStorage* FormStorage1;

signals:
    // OK: the main window lists by this mask and marks "Easy Filter".
    void easyFilterApplied(const QString& mask);

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void ListBox1Click();
    void ListBox1DblClick();
    void Timer1Timer();
};

}  // namespace lumora

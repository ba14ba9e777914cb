#pragma once

#include "ui/form.h"

class QPushButton;
class QTimer;

namespace lumora {

class TDirectoryEdit;

// Select a directory: fills the favourite slot selected in the preferences.
class TForm6 : public TDialogForm {
    Q_OBJECT
public:
    TForm6();

    TDirectoryEdit* DirectoryEdit1;
    QPushButton* Button1;  // OK
    QPushButton* Button2;  // Cancel
    QTimer* Timer1;

public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();
};

}  // namespace lumora

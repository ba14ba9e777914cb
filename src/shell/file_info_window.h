#pragma once

#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumora {

// "Info": the icon, name, type, folder and size of the browser's selected file.
class TForm16 : public TDialogForm {
    Q_OBJECT
public:
    TForm16();

    QLabel* Image1;
    QLabel* Label1;  // the name
    QLabel* Label2;  // "Type :"
    QLabel* Label5;
    QLabel* Label3;  // "Path :"
    QLineEdit* Edit1;
    QLabel* Label4;  // "Size :"
    QLabel* Label7;
    QLineEdit* Edit2;  // hidden: the number of the icon shown
    QPushButton* Button1;

    // Handed over by the main window as it opens the window: the selected file.
    QString FileName;

    void FormActivate() override;

public slots:
    void Button1Click();

protected:
    void FormShow() override;
};

}  // namespace lumora

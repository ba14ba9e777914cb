#pragma once

#include "platform/dialogs.h"
#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumora {

class TIconListBox;

// "Change Icon": the icons of a file, one of them picked for a shortcut.
class TIconDlg : public TDialogForm {
    Q_OBJECT
public:
    TIconDlg();

    QLabel* Label1;
    QLineEdit* IconFileName;  // every change loads that file into IconListBox
    QLabel* Label2;
    TIconListBox* IconListBox;
    QPushButton* OKbtn;
    QPushButton* CancelBtn;
    QPushButton* BrowseBtn;
    FileDialogOptions OpenDialog1;

public slots:
    void OKbtnClick();
    void CancelBtnClick();
    void BrowseBtnClick();
    void IconFileNameChange();

protected:
    void FormShow() override;
};

}  // namespace lumora

#include "shell/change_icon_dialog.h"

#include "base/file_name.h"
#include "shell/icon_list_box.h"
#include "ui/history.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumora {

TIconDlg::TIconDlg() {
    setObjectName(QStringLiteral("IconDlg"));
    setWindowTitle(QStringLiteral("Change Icon"));
    setDesignClientSize(361, 200);

    Label1 = named(new QLabel(QStringLiteral("Icon Filename :"), this), "Label1");
    IconFileName = named(new QLineEdit(this), "IconFileName");
    IconFileName->setAccessibleName(QStringLiteral("Icon Filename"));
    Label1->setBuddy(IconFileName);
    BrowseBtn = named(new QPushButton(QStringLiteral("Browse"), this), "BrowseBtn");
    Label2 = named(new QLabel(QStringLiteral("Icons :"), this), "Label2");
    IconListBox = named(new TIconListBox(this), "IconListBox");
    IconListBox->setAccessibleName(QStringLiteral("Icons"));
    IconListBox->setXIcons(9);
    IconListBox->setYIcons(2);
    // All icons are drawn as the file loads: the dialog shows them all at once.
    IconListBox->setEnableCaching(false);
    Label2->setBuddy(IconListBox);
    OKbtn = named(new QPushButton(QStringLiteral("OK"), this), "OKbtn");
    OKbtn->setDefault(true);
    CancelBtn = named(new QPushButton(QStringLiteral("Cancel"), this), "CancelBtn");
    for (QPushButton* each : {BrowseBtn, CancelBtn})
        each->setAutoDefault(false);
    setCancelButton(CancelBtn);

    OpenDialog1.title = QStringLiteral("Open");
    OpenDialog1.defaultExt = QStringLiteral(".ico");
    OpenDialog1.filter = QStringLiteral(
        "Icons (*.ico)|*.ico|Executables (*.exe)|*.exe|DLL Library (*.dll)|*.dll|Icon Library "
        "(*.icl)|*.icl|All Files (*.*)|*.*");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(4);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(IconFileName, 0, 1);
    grid->addWidget(BrowseBtn, 0, 2);
    grid->addWidget(Label2, 1, 0, 1, 3);
    grid->addWidget(IconListBox, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKbtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    connectCommand(this, "OKbtn", &TIconDlg::OKbtnClick);
    connectCommand(this, "CancelBtn", &TIconDlg::CancelBtnClick);
    connectCommand(this, "BrowseBtn", &TIconDlg::BrowseBtnClick);
    connectHandler(IconFileName, &QLineEdit::textChanged, this, &TIconDlg::IconFileNameChange);
    connectHandler(IconListBox, &TIconListBox::DblClick, this, &TIconDlg::OKbtnClick);
}

void TIconDlg::FormShow() {
    centreOnScreen(this);
    IconFileName->setText(IconListBox->FileName());
    IconListBox->setFocus();
}

void TIconDlg::IconFileNameChange() {
    IconListBox->setFileName(IconFileName->text());
}

void TIconDlg::OKbtnClick() {
    AddHistoryEntry(QStringLiteral("Pressed OK Icon,"));
    if (!fileExists(IconListBox->FileName())) {
        dialogs().message(this, windowTitle(),
                          QStringLiteral("Unable to find icon ") + IconFileName->text() + u'.',
                          MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    if (IconListBox->ItemIndex() < 0) {
        dialogs().message(this, windowTitle(),
                          IconFileName->text() + QStringLiteral(" is not a valid icon"),
                          MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    done(QDialog::Accepted);
}

void TIconDlg::CancelBtnClick() {
    AddHistoryEntry(QStringLiteral("Pressed Cancel Icon,"));
    Close();
}

void TIconDlg::BrowseBtnClick() {
    AddHistoryEntry(QStringLiteral("Pressed Browse for Icon,"));
    FileDialogOptions options = OpenDialog1;
    const QString current = IconFileName->text();
    const qsizetype slash = current.lastIndexOf(u'/');
    options.initialDir = slash < 0 ? QDir::homePath() : current.left(slash + 1);
    const QString chosen = dialogs().openFile(this, options);
    if (chosen.isEmpty())
        return;
    IconFileName->setText(chosen);
    IconListBox->setItemIndex(0);
}

}  // namespace lumora

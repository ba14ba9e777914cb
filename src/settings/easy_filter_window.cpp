#include "settings/easy_filter_window.h"

#include "platform/dialogs.h"
#include "settings/form_storage.h"
#include "ui/history.h"
#include "ui/list_box.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace lumora {

TForm19::TForm19() {
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Easy Filter"));
    setDesignClientSize(329, 257);

    Label1 = named(new QLabel(QStringLiteral("New Easy Filter :")), "Label1");
    Edit1 = named(new QLineEdit, "Edit1");
    Edit1->setAccessibleName(QStringLiteral("New Easy Filter"));
    Label1->setBuddy(Edit1);
    Label2 = named(new QLabel(QStringLiteral("Filters must be seperated by semi-colon (;). E.g. :  "
                                             "*.bmp;*.jpg")),
                   "Label2");
    Label2->setWordWrap(true);
    ListBox1 = named(new TListBox, "ListBox1");
    ListBox1->setAccessibleName(QStringLiteral("Earlier easy filters"));
    Edit2 = named(new QLineEdit, "Edit2");
    Edit2->setAccessibleName(QStringLiteral("Selected easy filter"));
    Button1 = named(new QPushButton(QStringLiteral("OK")), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Cancel")), "Button2");
    setCancelButton(Button2);
    Button3 = named(new QPushButton(QStringLiteral("Remove All")), "Button3");
    Button4 = named(new QPushButton(QStringLiteral("Remove")), "Button4");
    // Enter belongs to the filter field alone: no button answers it for the
    // dialog, so an empty field gets its message instead of nothing.
    for (QPushButton* button : {Button1, Button2, Button3, Button4})
        button->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addWidget(Edit1, 1, 0);
    layout->addWidget(Button1, 1, 1);
    layout->addWidget(Label2, 2, 0, 1, 2);
    layout->addWidget(ListBox1, 3, 0, 3, 1);
    layout->addWidget(Button4, 3, 1);
    layout->addWidget(Button3, 4, 1, Qt::AlignTop);
    layout->addWidget(Edit2, 6, 0);
    layout->addWidget(Button2, 6, 1);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(0, 1);

    connectCommand(this, "Button1", &TForm19::Button1Click);
    connectCommand(this, "Button2", &TForm19::Button2Click);
    connectCommand(this, "Button3", &TForm19::Button3Click);
    connectCommand(this, "Button4", &TForm19::Button4Click);
    connectHandler(Edit1, &QLineEdit::returnPressed, this, &TForm19::Button1Click);
    connectHandler(ListBox1, &TListBox::Click, this, &TForm19::ListBox1Click);
    connectHandler(ListBox1, &TListBox::DblClick, this, &TForm19::ListBox1DblClick);

    FormStorage1 =
        new TFormStorage(this, QStringLiteral("easy filter"), {QStringLiteral("ListBox1.Items")});

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

void TForm19::Button1Click() {
    AddHistoryEntry(QStringLiteral("OK Easy Filter Clicked,"));
    const QString mask = Edit1->text();
    if (mask.isEmpty()) {
        dialogs().message(this, QStringLiteral("Information"), QStringLiteral("No Filter Avaiable"),
                          MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    emit easyFilterApplied(mask);
    // Also when it is there already: the list keeps every filter applied.
    ListBox1->addItem(mask);
    done(QDialog::Accepted);
}

void TForm19::Button2Click() {
    AddHistoryEntry(QStringLiteral("Cancel Easy Filter Clicked,"));
    Close();
}

void TForm19::Button3Click() {
    AddHistoryEntry(QStringLiteral("Remove All Easy Filter Clicked,"));
    ListBox1->clear();
}

void TForm19::Button4Click() {
    AddHistoryEntry(QStringLiteral("Remove Easy Filter Clicked,"));
    delete ListBox1->currentItem();
    Edit2->clear();
}

void TForm19::ListBox1Click() {
    if (const QListWidgetItem* entry = ListBox1->currentItem())
        Edit2->setText(entry->text());
}

void TForm19::ListBox1DblClick() {
    const QListWidgetItem* entry = ListBox1->currentItem();
    if (!entry)
        return;
    Edit1->setText(entry->text());
    Button1Click();
}

void TForm19::Timer1Timer() {
    Button1->setEnabled(!Edit1->text().isEmpty());
    Button4->setEnabled(!Edit2->text().isEmpty());
}

}  // namespace lumora

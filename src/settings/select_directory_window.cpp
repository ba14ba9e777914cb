#include "settings/select_directory_window.h"

#include "settings/preferences_window.h"
#include "ui/directory_edit.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/list_box.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace lumora {

TForm6::TForm6() {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Select a directory"));
    setDesignClientSize(387, 68);

    DirectoryEdit1 = named(new TDirectoryEdit, "DirectoryEdit1");
    DirectoryEdit1->setDialogTitle(QStringLiteral("Select a directory"));
    Button1 = named(new QPushButton(QStringLiteral("OK")), "Button1");
    Button1->setDefault(true);
    Button1->setEnabled(false);
    Button2 = named(new QPushButton(QStringLiteral("Cancel")), "Button2");
    setCancelButton(Button2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(DirectoryEdit1);
    layout->addLayout(buttons);

    connectCommand(this, "Button1", &TForm6::Button1Click);
    connectCommand(this, "Button2", &TForm6::Button2Click);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

void TForm6::Button1Click() {
    TForm4& preferences = *forms().Form4;
    QListWidgetItem* slot = preferences.ListBox1->currentItem();
    // A folder needs a slot to go into: without one nothing changes.
    if (slot && !DirectoryEdit1->text().isEmpty()) {
        AddHistoryEntry(QStringLiteral("Added Favorite Folder,"));
        slot->setText(DirectoryEdit1->text());
        preferences.forgetClickedSlot();
    }
    done(QDialog::Accepted);
}

void TForm6::Button2Click() {
    Close();
}

void TForm6::Timer1Timer() {
    Button1->setEnabled(!DirectoryEdit1->text().isEmpty());
}

}  // namespace lumora

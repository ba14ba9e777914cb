#include "settings/own_filter_window.h"

#include "platform/dialogs.h"
#include "settings/form_storage.h"
#include "ui/history.h"
#include "ui/rop_win.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lumora {
namespace {

constexpr const char* kDescriptionNames[] = {"Edit971", "Edit973", "Edit975", "Edit977", "Edit979"};
constexpr const char* kMaskNames[] = {"Edit972", "Edit974", "Edit976", "Edit978", "Edit9710"};

}  // namespace

TForm18::TForm18() {
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Own Filter"));
    setDesignClientSize(403, 220);

    Notebook1 = named(new QStackedWidget, "Notebook1");
    for (size_t k = 0; k < 5; ++k) {
        const int number = int(k) + 1;
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("filter%1").arg(number));
        auto* heading = new QLabel(QStringLiteral("Own Filter %1").arg(number));
        QFont large = heading->font();
        large.setPointSizeF(large.pointSizeF() * 1.6);
        large.setBold(true);
        large.setUnderline(true);
        heading->setFont(large);
        descriptionEdits[k] = named(new QLineEdit, kDescriptionNames[k]);
        maskEdits[k] = named(new QLineEdit, kMaskNames[k]);
        descriptionEdits[k]->setAccessibleName(
            QStringLiteral("Menu description of own filter %1").arg(number));
        maskEdits[k]->setAccessibleName(QStringLiteral("Filter of own filter %1").arg(number));
        auto* descriptionLabel = new QLabel(QStringLiteral("Menu Description :"));
        descriptionLabel->setBuddy(descriptionEdits[k]);
        auto* maskLabel = new QLabel(QStringLiteral("Filter :"));
        maskLabel->setBuddy(maskEdits[k]);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(heading);
        layout->addSpacing(4);
        layout->addWidget(descriptionLabel);
        layout->addWidget(descriptionEdits[k]);
        layout->addWidget(maskLabel);
        layout->addWidget(maskEdits[k]);
        layout->addStretch(1);
        Notebook1->addWidget(page);

        pageButtons[k] = named(new QPushButton(QStringLiteral("Own Filter %1").arg(number)),
                               qPrintable(QStringLiteral("BitBtn%1").arg(number)));
    }
    Button1 = named(new QPushButton(QStringLiteral("Apply Own Filters")), "Button1");
    // Enter in an edit applies, as Enter on the focused Apply does.
    Button1->setDefault(true);
    BitBtn6 = named(new QPushButton(QStringLiteral("Show Own Filter Example")), "BitBtn6");
    BitBtn7 = named(new QPushButton(QStringLiteral("Erase Filter")), "BitBtn7");
    RopWin1 = named(new TRopWin(this), "RopWin1");
    RopWin1->setLines(
        {QStringLiteral("Own Filter Example"), QStringLiteral("------------------------------"),
         QString(), QStringLiteral("Menu Description :"), QStringLiteral("      Only Jpeg Files"),
         QString(), QStringLiteral("Filter :"), QStringLiteral("      *.jpg;*.jif;*.jpeg"),
         QString(), QString(),
         QStringLiteral("Filters must always be seperated with ; (semi-colon)")});

    auto* left = new QVBoxLayout;
    left->addWidget(Notebook1, 1);
    auto* tools = new QHBoxLayout;
    tools->addWidget(BitBtn6);
    tools->addWidget(BitBtn7);
    tools->addStretch(1);
    left->addLayout(tools);
    auto* right = new QVBoxLayout;
    for (QPushButton* button : pageButtons)
        right->addWidget(button);
    right->addStretch(1);
    right->addWidget(Button1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connectCommand(this, "BitBtn1", &TForm18::BitBtn1Click);
    connectCommand(this, "BitBtn2", &TForm18::BitBtn2Click);
    connectCommand(this, "BitBtn3", &TForm18::BitBtn3Click);
    connectCommand(this, "BitBtn4", &TForm18::BitBtn4Click);
    connectCommand(this, "BitBtn5", &TForm18::BitBtn5Click);
    connectCommand(this, "BitBtn6", &TForm18::BitBtn6Click);
    connectCommand(this, "BitBtn7", &TForm18::BitBtn7Click);
    connectCommand(this, "Button1", &TForm18::Button1Click);

    FormStorage1 =
        new TFormStorage(this, QStringLiteral("own filter"),
                         {QStringLiteral("Edit971.Text"), QStringLiteral("Edit9710.Text"),
                          QStringLiteral("Edit972.Text"), QStringLiteral("Edit973.Text"),
                          QStringLiteral("Edit974.Text"), QStringLiteral("Edit975.Text"),
                          QStringLiteral("Edit976.Text"), QStringLiteral("Edit977.Text"),
                          QStringLiteral("Edit978.Text"), QStringLiteral("Edit979.Text")});
}

TForm18::OwnFilter TForm18::appliedFilter(int number) const {
    return applied_[size_t(number - 1)];
}

void TForm18::FormShow() {
    Button1->setFocus();
}

void TForm18::showFilterPage(int number) {
    AddHistoryEntry(QStringLiteral("Own Filter %1 Clicked,").arg(number));
    Notebook1->setCurrentIndex(number - 1);
}

void TForm18::BitBtn1Click() {
    showFilterPage(1);
}
void TForm18::BitBtn2Click() {
    showFilterPage(2);
}
void TForm18::BitBtn3Click() {
    showFilterPage(3);
}
void TForm18::BitBtn4Click() {
    showFilterPage(4);
}
void TForm18::BitBtn5Click() {
    showFilterPage(5);
}

void TForm18::BitBtn6Click() {
    AddHistoryEntry(QStringLiteral("Show Filter Example Clicked,"));
    RopWin1->Execute();
}

void TForm18::BitBtn7Click() {
    AddHistoryEntry(QStringLiteral("Erase Own Filter Clicked,"));
    if (dialogs().message(this, QStringLiteral("Confirm"),
                          QStringLiteral("Are you sure you want to delete the currently selected "
                                         "filter?"),
                          MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // The menu keeps the filter until the next "Apply Own Filters".
    const auto page = size_t(Notebook1->currentIndex());
    descriptionEdits[page]->clear();
    maskEdits[page]->clear();
}

void TForm18::Button1Click() {
    AddHistoryEntry(QStringLiteral("Apply Own Filters Clicked,"));
    // As the settings file will keep them, so a restart applies the same.
    for (size_t k = 0; k < applied_.size(); ++k)
        applied_[k] = {storedText(descriptionEdits[k]->text()), storedText(maskEdits[k]->text())};
    emit ownFiltersApplied();
    Close();
}

void TForm18::FormCloseQuery(bool&) {
    // Only Apply changes the filters: leaving any other way puts back the
    // ones in force, so the section stores what the menu applies.
    for (size_t k = 0; k < applied_.size(); ++k) {
        descriptionEdits[k]->setText(applied_[k].description);
        maskEdits[k]->setText(applied_[k].mask);
    }
}

}  // namespace lumora

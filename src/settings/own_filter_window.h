#pragma once

#include "ui/form.h"

#include <array>

class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace lumora {

class TFormStorage;
class TRopWin;

// The five own filters of the Filter menu: a menu description and a mask
// each, one page per filter.
class TForm18 : public TDialogForm {
    Q_OBJECT
public:
    TForm18();

    struct OwnFilter {
        QString description;
        QString mask;
        // Only a filter with both a description and a mask has a menu item.
        bool complete() const { return !description.isEmpty() && !mask.isEmpty(); }
    };

    QStackedWidget* Notebook1;  // pages filter1 .. filter5
    // Edit971/Edit972 (filter 1) .. Edit979/Edit9710 (filter 5).
    std::array<QLineEdit*, 5> descriptionEdits{};
    std::array<QLineEdit*, 5> maskEdits{};
    std::array<QPushButton*, 5> pageButtons{};  // BitBtn1 .. BitBtn5
    QPushButton* Button1;                       // Apply Own Filters
    QPushButton* BitBtn6;                       // Show Own Filter Example
    QPushButton* BitBtn7;                       // Erase Filter
    TRopWin* RopWin1;
    TFormStorage* FormStorage1;

    // Own filter 1..5 as the last "Apply Own Filters" left it: what the menu
    // shows, what its items apply and what the settings file keeps.
    OwnFilter appliedFilter(int number) const;

signals:
    // "Apply Own Filters": the main window builds its own-filter items.
    void ownFiltersApplied();

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void Button1Click();

protected:
    void FormShow() override;
    void FormCloseQuery(bool& canClose) override;

private:
    void showFilterPage(int number);

    std::array<OwnFilter, 5> applied_{};
};

}  // namespace lumora

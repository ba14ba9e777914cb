#pragma once

#include "ui/form.h"

#include <array>

class QLineEdit;

namespace lumora {

// The five own filters of the Filter menu: a menu description and a mask each.
class TForm18 : public TDialogForm {
    Q_OBJECT
public:
    TForm18();

    // Edit971/Edit972 (filter 1) .. Edit979/Edit9710 (filter 5).
    std::array<QLineEdit*, 5> descriptionEdits{};
    std::array<QLineEdit*, 5> maskEdits{};

    // The mask of own filter 1..5, as the main window applies it.
    QString filterMask(int number) const;
};

}  // namespace lumora

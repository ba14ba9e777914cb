#pragma once

#include "ui/form.h"

namespace lumora {

// Picks the icon of a shortcut.
class TIconDlg : public TDialogForm {
    Q_OBJECT
public:
    TIconDlg();
};

}  // namespace lumora

#pragma once

#include "ui/form.h"

namespace lumora {

// Select a directory: fills one favourite-folder slot.
class TForm6 : public TDialogForm {
    Q_OBJECT
public:
    TForm6();
};

}  // namespace lumora

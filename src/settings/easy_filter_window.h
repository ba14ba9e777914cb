#pragma once

#include "ui/form.h"

namespace lumora {

// Applies a typed mask list to the file list.
class TForm19 : public TDialogForm {
    Q_OBJECT
public:
    TForm19();
};

}  // namespace lumora

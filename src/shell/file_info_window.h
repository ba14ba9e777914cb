#pragma once

#include "ui/form.h"

namespace lumora {

// Type, folder and size of the selected file.
class TForm16 : public TDialogForm {
    Q_OBJECT
public:
    TForm16();
};

}  // namespace lumora

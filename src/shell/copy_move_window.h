#pragma once

#include "ui/form.h"

namespace lumora {

// The copy/move dialog: the destination of the selected file.
class TForm3 : public TDialogForm {
    Q_OBJECT
public:
    TForm3();
};

}  // namespace lumora

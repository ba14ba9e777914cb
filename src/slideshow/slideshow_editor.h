#pragma once

#include "ui/form.h"

namespace lumora {

// The slideshow editor.
class TForm7 : public TDialogForm {
    Q_OBJECT
public:
    TForm7();
};

}  // namespace lumora

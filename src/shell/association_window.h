#pragma once

#include "ui/form.h"

namespace lumora {

// Associates slideshow files with the program.
class TForm17 : public TDialogForm {
    Q_OBJECT
public:
    TForm17();
};

}  // namespace lumora

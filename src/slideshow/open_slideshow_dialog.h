#pragma once

#include "ui/form.h"

namespace lumora {

// Opens a slideshow file or a favourite slideshow and plays it.
class TForm9 : public TDialogForm {
    Q_OBJECT
public:
    TForm9();
};

}  // namespace lumora

#pragma once

#include "ui/form.h"

namespace lumora {

// The list of favourite slideshow files.
class TForm20 : public TDialogForm {
    Q_OBJECT
public:
    TForm20();
};

}  // namespace lumora

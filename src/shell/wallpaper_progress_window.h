#pragma once

#include "ui/form.h"

namespace lumora {

// Shown while the wallpaper is applied.
class TForm10 : public TDialogForm {
    Q_OBJECT
public:
    TForm10();
};

}  // namespace lumora

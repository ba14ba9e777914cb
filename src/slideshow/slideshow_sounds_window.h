#pragma once

#include "ui/form.h"

namespace lumora {

// The sounds played during slideshows.
class TForm22 : public TDialogForm {
    Q_OBJECT
public:
    TForm22();
};

}  // namespace lumora

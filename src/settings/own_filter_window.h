#pragma once

#include "platform/form.h"

namespace lumora {

// The five own filters of the Filter menu.
class TForm18 : public TDialogForm {
    Q_OBJECT
public:
    TForm18();
};

}  // namespace lumora

#pragma once

#include "ui/form.h"

namespace lumora {

// The full-screen viewer of the previewed picture.
class TForm5 : public TForm {
    Q_OBJECT
public:
    TForm5();
};

}  // namespace lumora

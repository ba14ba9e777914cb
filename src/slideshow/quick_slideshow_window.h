#pragma once

#include "ui/form.h"

namespace lumora {

// Builds a slideshow of the listed pictures.
class TForm15 : public TDialogForm {
    Q_OBJECT
public:
    TForm15();
};

}  // namespace lumora

#pragma once

#include "platform/form.h"

class QTimer;

namespace lumora {

// The full-screen slideshow player.
class TForm8 : public TDialogForm {
    Q_OBJECT
public:
    TForm8();

    QTimer* Timer1;  // the step timer
};

}  // namespace lumora

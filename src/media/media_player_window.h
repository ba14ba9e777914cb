#pragma once

#include "ui/form.h"

namespace lumora {

// The media player window: sounds and MIDI play here.
class TForm2 : public TForm {
    Q_OBJECT
public:
    TForm2();
};

}  // namespace lumora

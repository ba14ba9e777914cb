#pragma once

#include "ui/form.h"

namespace lumora {

// The media player window: sounds and MIDI play here.
class TForm2 : public TForm {
    Q_OBJECT
public:
    TForm2();

signals:
    // The window is closing (its close box or the main window's command):
    // the main window clears its "Mediaplayer" mark and button.
    void closing();

protected:
    void FormCloseQuery(bool& canClose) override;
};

}  // namespace lumora

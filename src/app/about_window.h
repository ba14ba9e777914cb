#pragma once

#include "ui/form.h"

class QLabel;

namespace lumora {

// About: the program's name, version and credits.
class TForm11 : public TDialogForm {
    Q_OBJECT
public:
    TForm11();

    QLabel* Image1;

    // Shows the preferences and runs their OK, so the stored options are
    // loaded and applied before the main window first appears.
    void FormCreate() override;
};

}  // namespace lumora

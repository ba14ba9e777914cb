#include "shell/copy_move_window.h"

namespace lumora {

TForm3::TForm3() {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Copy"));
    setDesignClientSize(417, 125);
}

}  // namespace lumora

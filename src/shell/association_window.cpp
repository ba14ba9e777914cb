#include "shell/association_window.h"

namespace lumora {

TForm17::TForm17() {
    setObjectName(QStringLiteral("Form17"));
    setWindowTitle(QStringLiteral("Association"));
    resize(627, 213);
}

}  // namespace lumora

#include "shell/file_info_window.h"

namespace lumora {

TForm16::TForm16() {
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("Info"));
    setDesignClientSize(295, 193);
}

}  // namespace lumora

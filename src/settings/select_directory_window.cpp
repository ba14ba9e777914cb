#include "settings/select_directory_window.h"

namespace lumora {

TForm6::TForm6() {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Select A directory"));
    setDesignClientSize(387, 68);
}

}  // namespace lumora

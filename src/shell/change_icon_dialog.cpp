#include "shell/change_icon_dialog.h"

namespace lumora {

TIconDlg::TIconDlg() {
    setObjectName(QStringLiteral("IconDlg"));
    setWindowTitle(QStringLiteral("Change Icon"));
    setDesignClientSize(361, 200);
}

}  // namespace lumora

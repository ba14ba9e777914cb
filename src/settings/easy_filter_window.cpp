#include "settings/easy_filter_window.h"

namespace lumora {

TForm19::TForm19() {
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Easy Filter"));
    resize(329, 257);
}

}  // namespace lumora

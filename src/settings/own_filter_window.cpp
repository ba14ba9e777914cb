#include "settings/own_filter_window.h"

namespace lumora {

TForm18::TForm18() {
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Own Filter"));
    resize(403, 220);
}

}  // namespace lumora

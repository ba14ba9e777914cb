#include "slideshow/slideshow_sounds_window.h"

namespace lumora {

TForm22::TForm22() {
    setObjectName(QStringLiteral("Form22"));
    setWindowTitle(QStringLiteral("Sound Setup"));
    resize(426, 271);
}

}  // namespace lumora

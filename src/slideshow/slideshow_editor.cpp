#include "slideshow/slideshow_editor.h"

namespace lumora {

TForm7::TForm7() {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Create/Edit SlideShow"));
    setDesignClientSize(484, 487);
}

}  // namespace lumora

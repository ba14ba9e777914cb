#include "slideshow/open_slideshow_dialog.h"

namespace lumora {

TForm9::TForm9() {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Open Slideshow"));
    resize(402, 297);
}

}  // namespace lumora

#include "slideshow/quick_slideshow_window.h"

namespace lumora {

TForm15::TForm15() {
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("Please wait while creating a Quick Slideshow"));
    resize(330, 110);
}

}  // namespace lumora

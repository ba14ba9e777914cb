#include "slideshow/favorite_slideshows_window.h"

namespace lumora {

TForm20::TForm20() {
    setObjectName(QStringLiteral("Form20"));
    setWindowTitle(QStringLiteral("Favorite Slideshow"));
    resize(554, 226);
}

}  // namespace lumora

#include "slideshow/fullscreen_viewer.h"

namespace lumora {

TForm5::TForm5() {
    setObjectName(QStringLiteral("Form5"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(640, 480);
}

}  // namespace lumora

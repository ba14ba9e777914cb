#include "shell/wallpaper_progress_window.h"

namespace lumora {

TForm10::TForm10() {
    setObjectName(QStringLiteral("Form10"));
    setWindowFlags(Qt::Tool | Qt::WindowMinMaxButtonsHint);
    setWindowTitle(QStringLiteral("Applying Wallpaper..."));
    resize(234, 66);
}

}  // namespace lumora

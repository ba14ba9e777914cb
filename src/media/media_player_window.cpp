#include "media/media_player_window.h"

namespace lumora {

TForm2::TForm2() {
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Mediaplayer"));
    resize(233, 67);
}

void TForm2::FormCloseQuery(bool& canClose) {
    emit closing();
    canClose = true;
}

}  // namespace lumora

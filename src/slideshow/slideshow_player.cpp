#include "slideshow/slideshow_player.h"

#include <QTimer>

namespace lumora {

TForm8::TForm8() {
    setObjectName(QStringLiteral("Form8"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

}  // namespace lumora

#include "app/splash_window.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace lumora {

TTempform::TTempform()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Tempform"));
    setFixedSize(404, 203);
    picture_ = QPixmap::fromImage(picture());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

const QImage& TTempform::picture() {
    static const QImage splash(QStringLiteral(":/lumora/splash.png"));
    return splash;
}

void TTempform::showAndPaint() {
    show();
    repaint();
    // Let the window system map and draw it before the long creation begins.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TTempform::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), picture_);
    QFont font(QStringLiteral("Arial Black"));
    font.setPixelSize(21);
    font.setWeight(QFont::Black);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect().adjusted(0, 0, 0, -12), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("Loading... Please Wait"));
}

}  // namespace lumora

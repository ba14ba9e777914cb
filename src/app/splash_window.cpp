#include "app/splash_window.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QResource>
#include <QScreen>

#include <cstring>

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

namespace {

// The pixels written by resources/raw_picture.cpp: width, height and format,
// then the scan lines. Wrapped where they lie when they are aligned for it.
QImage rawPicture(const QString& name) {
    const QResource raw(name);
    const auto* bytes = raw.data();
    qint32 header[3] = {};
    if (raw.compressionAlgorithm() != QResource::NoCompression || !bytes ||
        raw.size() < qint64(sizeof header))
        return {};
    std::memcpy(header, bytes, sizeof header);
    const auto [width, height, format] = header;
    const uchar* pixels = bytes + sizeof header;
    if (width <= 0 || height <= 0 || format <= QImage::Format_Invalid ||
        format >= QImage::NImageFormats ||
        raw.size() != qint64(sizeof header) + qint64(width) * height * 4)
        return {};
    const QImage wrapped(pixels, width, height, width * 4, QImage::Format(format));
    return quintptr(pixels) % 4 == 0 ? wrapped : wrapped.copy();
}

}  // namespace

const QImage& TTempform::picture() {
    static const QImage splash = rawPicture(QStringLiteral(":/lumora/splash.raw"));
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

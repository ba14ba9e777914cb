#include "ui/rop_win.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace lumora {
namespace {

constexpr int kExtraWidth = 40;
constexpr int kExtraHeight = 30;

}  // namespace

TRopWin::TRopWin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    QFont bold = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    bold.setBold(true);
    setFont(bold);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setModal(true);
}

void TRopWin::setLines(const QStringList& lines) {
    lines_ = lines;
    setAccessibleName(lines.value(0));
    setAccessibleDescription(lines.join(u'\n'));
}

QSize TRopWin::textSize() const {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const QString& line : lines_)
        width = qMax(width, metrics.horizontalAdvance(line));
    return {width, int(lines_.size()) * metrics.height()};
}

void TRopWin::Execute() {
    const QSize text = textSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setFixedSize(text + QSize(kExtraWidth, kExtraHeight));
    move(area.x() + area.width() / 2 - text.width() / 2,
         area.y() + area.height() / 2 - text.height() / 2);
    exec();
}

void TRopWin::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFontMetrics metrics(font());
    int y = kExtraHeight / 2 + metrics.ascent();
    for (const QString& line : lines_) {
        painter.drawText(kExtraWidth / 2, y, line);
        y += metrics.height();
    }
}

void TRopWin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    wasActive_ = false;
    activateWindow();
    grabMouse();
    grabbing_ = true;
}

void TRopWin::hideEvent(QHideEvent* event) {
    // Whatever ends the window, the mouse is free again.
    if (grabbing_) {
        releaseMouse();
        grabbing_ = false;
    }
    QDialog::hideEvent(event);
}

void TRopWin::keyPressEvent(QKeyEvent* event) {
    event->accept();
    accept();
}

void TRopWin::mousePressEvent(QMouseEvent* event) {
    event->accept();
    accept();
}

void TRopWin::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        wasActive_ = true;
    else if (wasActive_ && isVisible())
        reject();
}

}  // namespace lumora

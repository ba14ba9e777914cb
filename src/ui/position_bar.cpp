#include "ui/position_bar.h"

#include <QStyleOptionSlider>
#include <QTimer>

namespace lumora {

TPositionBar::TPositionBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setMaximum(0);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Position"));
    waiting_ = new QTimer(this);
    waiting_->setInterval(5);
    connect(waiting_, &QTimer::timeout, this, [this] {
        if (!inFlight_ || !inFlight_())
            report();
    });
    // Every action of the user, each move of a dragged thumb included.
    connect(this, &QAbstractSlider::actionTriggered, this, [this] {
        if (inFlight_ && inFlight_())
            waiting_->start();
        else
            report();
    });
}

void TPositionBar::report() {
    waiting_->stop();
    emit Scroll();
}

void TPositionBar::showPosition(int position, int length) {
    // The thumb the user holds, or a move still to be reported, stays put.
    if (isSliderDown() || waiting_->isActive())
        return;
    if (length > maximum())
        setMaximum(length);
    setValue(position);
}

void TPositionBar::initStyleOption(QStyleOptionSlider* option) const {
    QScrollBar::initStyleOption(option);
    option->pageStep = 0;  // the style's smallest thumb
}

}  // namespace lumora

#include "ui/position_bar.h"

#include <QStyleOptionSlider>

namespace lumora {

TPositionBar::TPositionBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setMaximum(0);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Position"));
    // During a drag the thumb only moves; the position is given when it is let go.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action != SliderMove || !isSliderDown())
            emit Scroll();
    });
    connect(this, &QAbstractSlider::sliderReleased, this, &TPositionBar::Scroll);
}

void TPositionBar::showPosition(int position, int length) {
    if (isSliderDown())
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

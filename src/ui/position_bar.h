#pragma once

#include <QScrollBar>

namespace lumora {

// A player's position bar: a horizontal scroll bar whose thumb keeps one
// size (its large step is a jump, not a page of the medium) and that
// reports only what the user does with it.
class TPositionBar : public QScrollBar {
    Q_OBJECT
public:
    explicit TPositionBar(QWidget* parent = nullptr);

    // The refresh's part: shows the player's position, but leaves the bar
    // alone while the user holds its thumb. The maximum follows a medium
    // that turns out longer than its header said.
    void showPosition(int position, int length);

signals:
    // The user gave the bar a position, now its sliderPosition(): an arrow,
    // a page step, a key, the wheel, or the thumb let go after a drag.
    // Values set from code are no scroll.
    void Scroll();

protected:
    void initStyleOption(QStyleOptionSlider* option) const override;
};

}  // namespace lumora

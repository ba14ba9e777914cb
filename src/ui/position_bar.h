#pragma once

#include <QScrollBar>
#include <functional>
#include <utility>

class QTimer;

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

    // Whether the player still carries out the last seek. The user's moves
    // meanwhile wait, and once it is done the last of them is reported: at
    // most one seek is in flight.
    void setSeekInFlight(std::function<bool()> inFlight) { inFlight_ = std::move(inFlight); }

signals:
    // The user gave the bar a position, now its sliderPosition(): an arrow,
    // a page step, a key, the wheel, or each move of a dragged thumb.
    // Values set from code are no scroll.
    void Scroll();

protected:
    void initStyleOption(QStyleOptionSlider* option) const override;

private:
    void report();

    std::function<bool()> inFlight_;
    QTimer* waiting_;  // runs while a move waits for the seek before it
};

}  // namespace lumora

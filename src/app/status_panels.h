#pragma once

#include <QString>
#include <array>

class QLabel;
class QStatusBar;

namespace lumora {

class TStatusPanelRow;

// The main window's status bar: four panels with the design widths 200, 130,
// 100 and 200. Where the bar has room a panel is as wide as its design says,
// or as its text needs when that is more. Where it has not, the other panels
// give up the room their texts leave unused before the text of panel 0 (the
// file name, the drive's capacity) is cut; a cut text ends in "…" and shows
// whole as the panel's tool tip.
class TStatusPanels {
public:
    // Makes the panels on bar.
    void create(QStatusBar* bar);

    void setText(int panel, const QString& text);
    QString text(int panel) const;

    std::array<QLabel*, 4> labels{};

private:
    TStatusPanelRow* row_ = nullptr;
};

}  // namespace lumora

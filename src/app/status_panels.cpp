#include "app/status_panels.h"

#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <algorithm>
#include <numeric>

namespace lumora {
namespace {

constexpr int kDesignWidths[4] = {200, 130, 100, 200};
constexpr int kGap = 2;

// A sunken panel that draws as much of its text as fits, cut with "…"; its
// text (what screen readers read) stays whole.
class StatusPanel final : public QLabel {
public:
    explicit StatusPanel(QWidget* parent) : QLabel(parent) {
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Sunken);
    }

    // The width that shows the whole text.
    int neededWidth() const { return QLabel::sizeHint().width(); }

    void showText(const QString& text) {
        setText(text);
        updateToolTip();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        updateToolTip();
    }

    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);  // the frame; the text is drawn here
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect area = textArea();
        painter.drawText(area, int(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }

private:
    QRect textArea() const {
        // Qt's own inset of a framed label's text: half an "x".
        const int inset =
            margin() + (indent() >= 0 ? indent() : fontMetrics().horizontalAdvance(u'x') / 2);
        return contentsRect().adjusted(inset, margin(), -inset, -margin());
    }

    void updateToolTip() {
        const bool cut = fontMetrics().horizontalAdvance(text()) > textArea().width();
        setToolTip(cut ? text() : QString());
    }
};

}  // namespace

// Lays the panels out from the left by the rule of TStatusPanels.
class TStatusPanelRow final : public QWidget {
public:
    explicit TStatusPanelRow(QWidget* parent) : QWidget(parent) {
        for (StatusPanel*& panel : panels)
            panel = new StatusPanel(this);
    }

    std::array<StatusPanel*, 4> panels{};

    // The widths with room to spare: the design's, panel 0's whole text.
    std::array<int, 4> wantedWidths() const {
        std::array<int, 4> wanted{};
        for (size_t i = 0; i < panels.size(); ++i)
            wanted[i] =
                i == 0 ? std::max(kDesignWidths[i], panels[i]->neededWidth()) : kDesignWidths[i];
        return wanted;
    }

    // The widths for `room` pixels.
    std::array<int, 4> widths(int room) const {
        const std::array<int, 4> wanted = wantedWidths();
        // Panel 0 keeps its whole text as long as it can; the others the room their texts use.
        std::array<int, 4> floor = wanted;
        for (size_t i = 1; i < panels.size(); ++i)
            floor[i] = std::min(wanted[i], panels[i]->neededWidth());
        room -= kGap * int(panels.size() - 1);
        const int wantedSum = std::accumulate(wanted.begin(), wanted.end(), 0);
        const int floorSum = std::accumulate(floor.begin(), floor.end(), 0);
        std::array<int, 4> result = wanted;
        if (room >= wantedSum)
            return result;
        if (room >= floorSum) {
            // What is left above the floors goes to the others by their unused room.
            const int spare = room - floorSum;
            const int unused = wantedSum - floorSum;
            for (size_t i = 0; i < result.size(); ++i)
                result[i] = floor[i] + (unused > 0 ? (wanted[i] - floor[i]) * spare / unused : 0);
            return result;
        }
        // Not even the texts fit: every panel shrinks by the same share.
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = floorSum > 0 ? std::max(0, room) * floor[i] / floorSum : 0;
        return result;
    }

    void place() {
        const std::array<int, 4> w = widths(width());
        int x = 0;
        for (size_t i = 0; i < panels.size(); ++i) {
            panels[i]->setGeometry(x, 0, w[i], height());
            x += w[i] + kGap;
        }
    }

    QSize sizeHint() const override {
        const std::array<int, 4> w = wantedWidths();
        return {std::accumulate(w.begin(), w.end(), kGap * 3), panels[0]->sizeHint().height()};
    }
    // The panels are no lower bound of the window's width.
    QSize minimumSizeHint() const override { return {0, panels[0]->minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }
};

void TStatusPanels::create(QStatusBar* bar) {
    row_ = new TStatusPanelRow(bar);
    const Qt::Alignment alignments[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
                                         Qt::AlignCenter, Qt::AlignCenter};
    for (size_t i = 0; i < labels.size(); ++i) {
        StatusPanel* panel = row_->panels[i];
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setAlignment(alignments[i]);
        labels[i] = panel;
    }
    bar->addWidget(row_, 1);
}

void TStatusPanels::setText(int panel, const QString& text) {
    StatusPanel* label = row_->panels[size_t(panel)];
    if (label->text() == text)
        return;
    const int before = label->neededWidth();
    label->showText(text);
    // The widths follow only the texts' widths: a clock's new second of the
    // same width repaints its panel and lays out nothing.
    if (label->neededWidth() == before)
        return;
    row_->updateGeometry();
    row_->place();
}

QString TStatusPanels::text(int panel) const {
    return labels[size_t(panel)]->text();
}

}  // namespace lumora

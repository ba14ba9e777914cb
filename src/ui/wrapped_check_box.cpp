#include "ui/wrapped_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace lumora {
namespace {

constexpr int kTextFlags =
    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
// What the caption is given when nothing says how wide the box is.
constexpr int kPreferredTextWidth = 260;

}  // namespace

TWrappedCheckBox::TWrappedCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int TWrappedCheckBox::indicatorSpace() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this) + 2;
}

QRect TWrappedCheckBox::textRect(int width, int height) const {
    return QRect(indicatorSpace(), 0, qMax(1, width - indicatorSpace() - 1), height);
}

int TWrappedCheckBox::heightForWidth(int width) const {
    const QRect text = fontMetrics().boundingRect(textRect(width, 10000), kTextFlags, this->text());
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    // Room above and below for the focus frame around the caption.
    return qMax(indicator, text.height()) + 4;
}

QSize TWrappedCheckBox::sizeHint() const {
    const int natural = fontMetrics().horizontalAdvance(text());
    const int width = indicatorSpace() + qMin(natural, kPreferredTextWidth) + 2;
    return {width, heightForWidth(width)};
}

QSize TWrappedCheckBox::minimumSizeHint() const {
    // The longest word must fit on a line of its own.
    int longest = 0;
    for (const QString& word : text().split(u' ', Qt::SkipEmptyParts))
        longest = qMax(longest, fontMetrics().horizontalAdvance(word));
    const int width = indicatorSpace() + longest + 2;
    return {width, heightForWidth(width)};
}

void TWrappedCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    const bool focused = option.state & QStyle::State_HasFocus;
    option.text.clear();
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_CheckBox, option);

    const QRect area = textRect(width(), height());
    painter.drawItemText(area, kTextFlags, option.palette, isEnabled(), caption,
                         QPalette::WindowText);
    if (focused) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = fontMetrics()
                         .boundingRect(area, kTextFlags, caption)
                         .adjusted(-1, -1, 1, 1)
                         .intersected(rect());
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }
}

bool TWrappedCheckBox::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

}  // namespace lumora

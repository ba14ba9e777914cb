#include "ui/controls.h"

#include <QApplication>
#include <QPalette>
#include <QTextDocument>

namespace lumora {

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {}

QStringList TMemo::Lines() const {
    // The raw text: the plain text would turn a no-break space into a space
    // and a line separator within a line into a line break.
    const QString text = document()->toRawText();
    if (text.isEmpty() && document()->blockCount() <= 1)
        return {};
    return text.split(QChar::ParagraphSeparator);
}

void TMemo::setLines(const QStringList& lines) {
    setPlainText(lines.join(u'\n'));
}

QColor colorFromValue(int value) {
    if (value < 0) {
        // System colours: index in the low byte, as the desktop palette has them.
        const QPalette palette = QApplication::palette();
        switch (value & 0xFF) {
            case 1:
                return palette.color(QPalette::Window);  // background
            case 5:
                return palette.color(QPalette::Base);  // window
            case 8:
                return palette.color(QPalette::WindowText);  // window text
            case 13:
                return palette.color(QPalette::Highlight);  // highlight
            case 14:
                return palette.color(QPalette::HighlightedText);
            case 15:
                return palette.color(QPalette::Button);  // button face
            case 16:
                return palette.color(QPalette::Dark);  // button shadow
            case 18:
                return palette.color(QPalette::ButtonText);
            default:
                return palette.color(QPalette::Window);
        }
    }
    const auto v = static_cast<unsigned>(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int valueFromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

}  // namespace lumora

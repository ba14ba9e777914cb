#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>

namespace lumora {

// A multi-line text whose content is a list of lines.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE setLines)
public:
    explicit TMemo(QWidget* parent = nullptr);
    QStringList Lines() const;
    void setLines(const QStringList& lines);
};

// A colour value as the settings store it: 0x00BBGGRR; system colours have the
// high bit set (negative) and name an entry of the desktop palette.
QColor colorFromValue(int value);
int valueFromColor(const QColor& color);

}  // namespace lumora

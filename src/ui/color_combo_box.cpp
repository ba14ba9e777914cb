#include "ui/color_combo_box.h"

#include "ui/controls.h"

#include <QPainter>
#include <QPixmap>

namespace lumora {
namespace {

struct NamedColor {
    const char* name;
    int value;  // 0x00BBGGRR
};

constexpr NamedColor kNamedColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

QIcon swatch(int value) {
    QPixmap pixmap(16, 12);
    pixmap.fill(colorFromValue(value));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

}  // namespace

TColorComboBox::TColorComboBox(QWidget* parent) : QComboBox(parent) {
    for (const NamedColor& c : kNamedColors)
        addItem(swatch(c.value), QString::fromLatin1(c.name), c.value);
    setCurrentIndex(0);
}

int TColorComboBox::ColorValue() const {
    return currentData().toInt();
}

void TColorComboBox::setColorValue(int value) {
    int index = findData(value);
    if (index < 0) {
        addItem(swatch(value), QStringLiteral("Custom"), value);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

}  // namespace lumora

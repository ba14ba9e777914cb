#pragma once

#include <QComboBox>

namespace lumora {

// A drop-down of the standard named colours; its value is a colour value.
class TColorComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(int ColorValue READ ColorValue WRITE setColorValue)
public:
    explicit TColorComboBox(QWidget* parent = nullptr);
    int ColorValue() const;
    // A value outside the named colours is added as a custom entry, so it is kept.
    void setColorValue(int value);
};

}  // namespace lumora

#pragma once

#include <QWidget>

class QSplitter;

namespace lumora {

// The left panel holding the browser. Its width is kept in the settings, and
// setting it moves the splitter beside it, so the width survives layouts.
class TBrowserPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE setWidth)
public:
    explicit TBrowserPanel(QWidget* parent = nullptr) : QWidget(parent) {}

    int Width() const;
    void setWidth(int width);
};

}  // namespace lumora

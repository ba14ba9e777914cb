#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace lumora {

// The splash window shown while the windows are created.
class TTempform : public QWidget {
    Q_OBJECT
public:
    TTempform();

    // Shows the window and paints it at once, before the event loop runs.
    void showAndPaint();

    // The splash picture, decoded once for the splash and the main window's
    // first preview.
    static const QImage& picture();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

}  // namespace lumora

#pragma once

#include <QWidget>

namespace lumora {

// The picture behind a preferences page: a soft wash with a faint drawing of
// what the page is about. It takes no part in the page but for the mouse:
// moving over it (over no control) is reported.
class TPagePicture : public QWidget {
    Q_OBJECT
public:
    enum class Motif { General, Images, Movies, Favorites, SlideShow, Language };

    explicit TPagePicture(Motif motif, QWidget* parent = nullptr);

    // The small icon at the page's top right, drawn in the same manner.
    static QPixmap icon(Motif motif, int side);

signals:
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Motif motif_;
};

}  // namespace lumora

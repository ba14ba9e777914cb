#include "settings/page_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace lumora {
namespace {

// Draws the motif into the square `box` with the current pen and brush.
void drawMotif(QPainter& painter, TPagePicture::Motif motif, const QRectF& box) {
    const double s = box.width();
    const QPointF o = box.topLeft();
    const auto at = [&](double x, double y) { return o + QPointF(x * s, y * s); };
    switch (motif) {
        case TPagePicture::Motif::General: {
            // A cog: a ring with eight teeth.
            QPainterPath cog;
            const QPointF centre = at(0.5, 0.5);
            for (int i = 0; i < 8; ++i) {
                QTransform turn;
                turn.translate(centre.x(), centre.y());
                turn.rotate(i * 45.0);
                cog.addPolygon(
                    turn.map(QPolygonF(QRectF(-0.08 * s, -0.48 * s, 0.16 * s, 0.2 * s))));
            }
            cog.addEllipse(centre, 0.34 * s, 0.34 * s);
            cog.setFillRule(Qt::WindingFill);
            QPainterPath hole;
            hole.addEllipse(centre, 0.14 * s, 0.14 * s);
            painter.drawPath(cog.simplified().subtracted(hole));
            break;
        }
        case TPagePicture::Motif::Images: {
            // A framed landscape: sun and two hills.
            painter.drawRect(QRectF(at(0.05, 0.15), at(0.95, 0.85)));
            QPainterPath hills;
            hills.moveTo(at(0.1, 0.8));
            hills.lineTo(at(0.38, 0.42));
            hills.lineTo(at(0.55, 0.62));
            hills.lineTo(at(0.7, 0.48));
            hills.lineTo(at(0.9, 0.8));
            hills.closeSubpath();
            painter.drawPath(hills);
            painter.drawEllipse(at(0.72, 0.3), 0.08 * s, 0.08 * s);
            break;
        }
        case TPagePicture::Motif::Movies: {
            // A strip of film with its holes.
            const QRectF strip(at(0.0, 0.22), at(1.0, 0.78));
            QPainterPath film;
            film.addRect(strip);
            for (int i = 0; i < 6; ++i) {
                film.addRect(QRectF(at(0.04 + i * 0.16, 0.26), QSizeF(0.08 * s, 0.07 * s)));
                film.addRect(QRectF(at(0.04 + i * 0.16, 0.67), QSizeF(0.08 * s, 0.07 * s)));
            }
            for (int i = 0; i < 3; ++i)
                film.addRect(QRectF(at(0.05 + i * 0.32, 0.38), QSizeF(0.26 * s, 0.24 * s)));
            film.setFillRule(Qt::OddEvenFill);
            painter.drawPath(film);
            break;
        }
        case TPagePicture::Motif::Favorites: {
            // A folder with a star on it.
            QPainterPath folder;
            folder.moveTo(at(0.05, 0.25));
            folder.lineTo(at(0.38, 0.25));
            folder.lineTo(at(0.45, 0.33));
            folder.lineTo(at(0.95, 0.33));
            folder.lineTo(at(0.95, 0.85));
            folder.lineTo(at(0.05, 0.85));
            folder.closeSubpath();
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const double radius = (i % 2 ? 0.09 : 0.22) * s;
                const double angle = qDegreesToRadians(-90.0 + i * 36.0);
                star << at(0.5, 0.6) + QPointF(radius * qCos(angle), radius * qSin(angle));
            }
            QPainterPath starPath;
            starPath.addPolygon(star);
            painter.drawPath(folder.subtracted(starPath));
            break;
        }
        case TPagePicture::Motif::SlideShow: {
            // Three slides fanned out.
            for (int i = 2; i >= 0; --i)
                painter.drawRect(
                    QRectF(at(0.05 + i * 0.12, 0.2 + i * 0.1), QSizeF(0.6 * s, 0.45 * s)));
            break;
        }
        case TPagePicture::Motif::Language: {
            // Two speech bubbles.
            for (const auto& [x, y] : {std::pair{0.05, 0.1}, std::pair{0.38, 0.45}}) {
                QPainterPath bubble;
                bubble.addRoundedRect(QRectF(at(x, y), QSizeF(0.55 * s, 0.32 * s)), 0.08 * s,
                                      0.08 * s);
                QPolygonF tail;
                tail << at(x + 0.12, y + 0.3) << at(x + 0.08, y + 0.44) << at(x + 0.26, y + 0.3);
                bubble.addPolygon(tail);
                bubble.setFillRule(Qt::WindingFill);
                painter.drawPath(bubble.simplified());
            }
            break;
        }
    }
}

QColor motifColour(TPagePicture::Motif motif) {
    switch (motif) {
        case TPagePicture::Motif::General:
            return {70, 90, 120};
        case TPagePicture::Motif::Images:
            return {40, 120, 70};
        case TPagePicture::Motif::Movies:
            return {120, 60, 60};
        case TPagePicture::Motif::Favorites:
            return {170, 120, 20};
        case TPagePicture::Motif::SlideShow:
            return {60, 80, 150};
        case TPagePicture::Motif::Language:
            return {110, 60, 130};
    }
    return Qt::darkGray;
}

}  // namespace

TPagePicture::TPagePicture(Motif motif, QWidget* parent) : QWidget(parent), motif_(motif) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPixmap TPagePicture::icon(Motif motif, int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(motifColour(motif).darker(140), 1.0));
    painter.setBrush(motifColour(motif));
    drawMotif(painter, motif, QRectF(1, 1, side - 2, side - 2));
    return pixmap;
}

void TPagePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient wash(0, 0, 0, height());
    wash.setColorAt(0, QColor(252, 252, 255));
    wash.setColorAt(1, QColor(224, 232, 244));
    painter.fillRect(rect(), wash);

    // The drawing sits low on the right, faint enough to read text over it.
    painter.setRenderHint(QPainter::Antialiasing);
    QColor faint = motifColour(motif_);
    faint.setAlpha(26);
    painter.setPen(Qt::NoPen);
    painter.setBrush(faint);
    const double side = qMin(width(), height()) * 0.55;
    drawMotif(painter, motif_,
              QRectF(width() - side - 12, height() * 0.5 - side * 0.5, side, side));
}

void TPagePicture::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    emit mouseMoved();
}

}  // namespace lumora

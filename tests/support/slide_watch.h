#pragma once

// For checks that watch the slideshow player on a real screen.

#include "slideshow/slideshow_player.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <memory>

namespace lumora::test {

// Calls seen(number) once for every new slide the player paints, 30 ms after
// the paint so that it has reached the server, with the slide's number from
// its caption ("...Image n of count"; 0 when the caption has none). The
// connection lives as long as context.
inline void watchSlides(TForm8& player, QObject* context, std::function<void(int number)> seen) {
    auto checked = std::make_shared<quint64>(0);
    QObject::connect(player.Image1, &TSlideImage::painted, context,
                     [&player, context, checked, seen](quint64 serial) {
                         if (serial == *checked || player.Image1->picture().isNull())
                             return;
                         *checked = serial;
                         QTimer::singleShot(30, context, [&player, seen] {
                             const QRegularExpressionMatch m =
                                 QRegularExpression(QStringLiteral("Image (\\d+) of \\d+$"))
                                     .match(player.Panel1->text());
                             seen(m.hasMatch() ? m.captured(1).toInt() : 0);
                         });
                     });
}

}  // namespace lumora::test

#include "slideshow/slide_totals.h"

#include "settings/preferences_window.h"
#include "ui/forms.h"

#include <QScrollBar>

namespace lumora {

QString slideTotalsText(qint64 slides) {
    const qint64 seconds = slides * (forms().Form4->slidestimer->value() / 1000);
    return QStringLiteral("Total item(s) : ") + QString::number(slides) +
           QStringLiteral("   Total time of slide : ") + QString::number(seconds) +
           QStringLiteral(" sec");
}

}  // namespace lumora

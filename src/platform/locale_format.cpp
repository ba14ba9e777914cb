#include "platform/locale_format.h"

#include <QLocale>
#include <QRegularExpression>

namespace lumora {
namespace {

// Qt's long time format carries the time zone ("t"); the history and the
// status bar show the clock only.
const QString& longTimeFormat() {
    static const QString format = [] {
        QString f = QLocale().timeFormat(QLocale::LongFormat);
        f.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*$")));
        f.remove(QRegularExpression(QStringLiteral("^\\s*t+\\s*")));
        return f.trimmed();
    }();
    return format;
}

}  // namespace

QString longTimeText(const QTime& time) {
    return QLocale().toString(time, longTimeFormat());
}

QString shortDateLongTimeText(const QDateTime& moment) {
    const QLocale locale;
    return locale.toString(moment.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(moment.time(), longTimeFormat());
}

}  // namespace lumora

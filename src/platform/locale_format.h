#pragma once

#include <QDateTime>
#include <QString>

namespace lumora {

// The desktop's long time format (hours, minutes, seconds), without a time zone.
QString longTimeText(const QTime& time);
// The desktop's short date format followed by its long time format.
QString shortDateLongTimeText(const QDateTime& moment);

}  // namespace lumora

#include "ui/history.h"

#include "platform/locale_format.h"

#include <QTime>

namespace lumora {

HistoryLog& HistoryLog::instance() {
    static HistoryLog log;
    return log;
}

void HistoryLog::add(const QString& text) {
    if (store_ && enabled_)
        store_->append(text + longTimeText(QTime::currentTime()));
}

}  // namespace lumora

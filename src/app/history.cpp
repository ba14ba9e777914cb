#include "app/history.h"

#include "app/forms.h"
#include "app/history_window.h"
#include "platform/locale_format.h"
#include "settings/preferences_window.h"

#include <QCheckBox>

namespace lumora {

void AddHistoryEntry(const QString& text) {
    if (!forms().Form4 || !forms().Form21)
        return;
    if (!forms().Form4->CheckBox951->isChecked())
        return;
    forms().Form21->History.append(text + longTimeText(QTime::currentTime()));
}

}  // namespace lumora

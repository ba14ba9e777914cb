#pragma once

#include <QString>

namespace lumora {

// Appends text + the current time to the action history while the preference
// "Enable HistoryList" is checked. Every text ends with ",".
void AddHistoryEntry(const QString& text);

}  // namespace lumora

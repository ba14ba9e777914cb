#pragma once

#include <QString>

namespace lumora {

// "Total item(s) : n   Total time of slide : s sec" for n slides shown for
// the preferences' delay, counted in whole seconds.
QString slideTotalsText(qint64 slides);

}  // namespace lumora

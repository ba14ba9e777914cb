#include "ui/brk_apart.h"

namespace lumora {

void TBrkApart::Split() {
    StringList.clear();
    if (BreakString.isEmpty()) {
        // An empty separator would be found at every position; the text is one piece.
        if (!BaseString.isEmpty() || AllowEmptyString)
            StringList << BaseString;
        return;
    }
    qsizetype start = 0;
    while (true) {
        const qsizetype found = BaseString.indexOf(BreakString, start);
        const QString piece = BaseString.mid(start, found < 0 ? -1 : found - start);
        if (!piece.isEmpty() || AllowEmptyString)
            StringList << piece;
        if (found < 0)
            break;
        start = found + BreakString.size();
    }
}

}  // namespace lumora

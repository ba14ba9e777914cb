#pragma once

#include <QString>

class QAction;

namespace lumora {

// A text of the user's (a folder, a filter's description) as a menu item's
// caption: an "&" in it is shown as "&", not taken for a mnemonic, and the
// text itself is kept beside the caption, so it is never read back from
// what the menu shows.
void setUserCaption(QAction* item, const QString& text);
QString userCaption(const QAction* item);

}  // namespace lumora

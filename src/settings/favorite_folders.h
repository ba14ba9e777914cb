#pragma once

#include <array>

class QAction;
class QMenu;
class QObject;

namespace lumora {

// The twenty favourite folders as menu items f1..f20, as the main window's
// Favorites menu and the drop-downs of the copy dialog and the slideshow
// editor show them. The folders live in the preferences' ListBox1.
using FavoriteItems = std::array<QAction*, 20>;

// Twenty hidden items named f1..f20 appended to menu, owned by owner.
FavoriteItems makeFavoriteItems(QMenu* menu, QObject* owner);
// Item k shows slot k as its caption (an "&" as it is, the folder kept
// beside it: userCaption) and is hidden while the slot reads "Empty".
void showFavoriteFolders(const FavoriteItems& items);

}  // namespace lumora

#include "settings/favorite_folders.h"

#include "settings/preferences_window.h"
#include "ui/forms.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

namespace lumora {

FavoriteItems makeFavoriteItems(QMenu* menu, QObject* owner) {
    FavoriteItems items{};
    for (size_t k = 0; k < items.size(); ++k) {
        auto* item = new QAction(QStringLiteral("Empty"), owner);
        item->setObjectName(QStringLiteral("f%1").arg(k + 1));
        item->setVisible(false);
        menu->addAction(item);
        items[k] = item;
    }
    return items;
}

void showFavoriteFolders(const FavoriteItems& items) {
    const QListWidget& folders = *forms().Form4->ListBox1;
    for (size_t k = 0; k < items.size(); ++k) {
        const QListWidgetItem* slot = folders.item(int(k));
        const QString folder = slot ? slot->text() : QStringLiteral("Empty");
        setUserCaption(items[k], folder);
        items[k]->setVisible(folder != QLatin1String("Empty"));
    }
}

}  // namespace lumora

#include "ui/user_caption.h"

#include <QAction>

namespace lumora {

void setUserCaption(QAction* item, const QString& text) {
    item->setData(text);
    QString shown = text;
    item->setText(shown.replace(u'&', QStringLiteral("&&")));
}

QString userCaption(const QAction* item) {
    return item->data().toString();
}

}  // namespace lumora

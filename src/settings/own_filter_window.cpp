#include "settings/own_filter_window.h"

#include <QFormLayout>
#include <QLineEdit>

namespace lumora {

TForm18::TForm18() {
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Own Filter"));
    setDesignClientSize(403, 220);
    auto* layout = new QFormLayout(this);
    static constexpr const char* kDescriptionNames[] = {"Edit971", "Edit973", "Edit975", "Edit977",
                                                        "Edit979"};
    static constexpr const char* kMaskNames[] = {"Edit972", "Edit974", "Edit976", "Edit978",
                                                 "Edit9710"};
    for (size_t k = 0; k < 5; ++k) {
        descriptionEdits[k] = new QLineEdit(this);
        descriptionEdits[k]->setObjectName(QString::fromLatin1(kDescriptionNames[k]));
        maskEdits[k] = new QLineEdit(this);
        maskEdits[k]->setObjectName(QString::fromLatin1(kMaskNames[k]));
        layout->addRow(QStringLiteral("Menu Description :"), descriptionEdits[k]);
        layout->addRow(QStringLiteral("Filter :"), maskEdits[k]);
    }
}

QString TForm18::filterMask(int number) const {
    return maskEdits[size_t(number - 1)]->text();
}

}  // namespace lumora

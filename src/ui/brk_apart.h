#pragma once

#include <QString>
#include <QStringList>

namespace lumora {

// Cuts a text into the pieces between occurrences of a separator.
class TBrkApart {
public:
    QString BaseString;
    QString BreakString;
    bool AllowEmptyString = false;
    QStringList StringList;

    // Fills StringList from BaseString.
    void Split();
};

}  // namespace lumora

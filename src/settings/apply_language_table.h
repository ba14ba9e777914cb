#pragma once

#include "settings/language_table.h"

#include <QStringList>

class QObject;
class QWidget;

namespace lumora {

// Copies the language list into the interface texts: line n to the text that
// table position n names, the reserved positions skipped, then lines 145 and
// 146 again to the full-screen viewer's pop-up. Missing lines give empty
// texts. A window or control that does not exist (yet) is skipped.
void ApplyLanguageTable(const QStringList& lines);

// The window of a table position, found among the program's windows by its
// object name; nullptr when it does not exist.
QWidget* findLanguageWindow(LanguagePosition::Window window);
// The object whose text a position names: the window itself for its caption,
// else the control of that name within it; nullptr when it does not exist.
QObject* findLanguageTarget(QWidget* window, const LanguagePosition& position);

// The text a position shows now, as ApplyLanguageTable would assign it.
QString languageText(QObject* target, const LanguagePosition& position);

}  // namespace lumora

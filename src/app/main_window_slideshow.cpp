// The main window's slideshow commands: the editor, open and play, the quick
// slideshow and the full-screen viewer.
#include "app/main_window.h"

#include "slideshow/slideshow_editor.h"
#include "ui/forms.h"
#include "ui/history.h"

namespace lumora {

void TForm1::Create1Click() {
    AddHistoryEntry(QStringLiteral("Launched Create Slideshow,"));
    // Every opening starts with an empty list.
    forms().Form7->Button1Click();
    forms().Form7->ShowModal();
}

void TForm1::createslideshowClick() {
    Create1Click();
}

}  // namespace lumora

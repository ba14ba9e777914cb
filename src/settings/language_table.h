#pragma once

#include <QStringList>
#include <array>

namespace lumora {

// The interface texts a language pack replaces: one position per text, in the
// pack's line order. Positions 54 and 72 are reserved and apply to nothing.
struct LanguagePosition {
    enum class Window {
        None,
        Main,
        Wallpaper,
        About,
        Links,
        QuickSlideshow,
        MediaPlayer,
        CopyMove,
        Preferences,
        SelectDirectory,
        SlideshowEditor,
        OpenSlideshow,
        ChangeIcon,
        SlideshowPlayer,
    };
    enum class Property { Caption, Hint, PageCaption, Reserved };

    Window window;
    const char* control;  // object name; empty for the window's own caption
    Property property;
    int page;  // notebook page for PageCaption, else -1
    const char* english;
};

inline constexpr int kLanguageLineCount = 152;
// The hints of the main toolbar's fifteen buttons, in toolbar order.
inline constexpr int kFirstToolbarHint = 56;

const std::array<LanguagePosition, kLanguageLineCount>& languageTable();

// The built-in English lines, the initial content of the language list.
QStringList builtInLanguageLines();

}  // namespace lumora

#pragma once

#include <QAbstractFileIconProvider>
#include <QIcon>
#include <QStyle>

#include <functional>

class QToolButton;
class QWidget;

namespace lumora {

// The glyphs of the main toolbar's fifteen buttons, left to right (copy,
// move, delete, close file, open, reload, media player, mixer, stretch,
// full screen, create slideshow, open slideshow, favourites, preferences,
// default browser position). The preferences' toolbar page shows the same.
constexpr int kToolbarGlyphs = 15;
QIcon toolbarGlyph(int index);

// The theme's icon of that name, else the style's, with a visibly disabled
// state; one per name for the whole program, looked up when first drawn.
// themeName must outlive the program (a literal).
QIcon themedGlyph(const char* themeName, QStyle::StandardPixmap fallback);

// The style's standard icon, looked up in the theme and its pictures read
// once for the program rather than once for each list and each entry, and
// only when first measured or drawn: a hidden window's icons cost nothing.
QIcon styleIcon(QStyle::StandardPixmap icon);

// An icon that `make` makes when it is first measured or drawn; copies share
// what it made.
QIcon deferredIcon(std::function<QIcon()> make);

// The file icon provider's icon of that type (folder, drive, ...), made when
// first measured or drawn.
QIcon providerIcon(QAbstractFileIconProvider::IconType type);

// The icon with a disabled state that is plainly different from the normal
// one: grey and faint, whatever the theme's own disabled pixmap looks like.
QIcon withVisibleDisabledState(const QIcon& icon);

// A tool button that shows a glyph (the theme's icon of that name, else the
// style's) and is named by its hint, for the mouse and for screen readers alike.
QToolButton* glyphButton(QWidget* parent, const char* name, const QString& hint,
                         const char* themeIcon, QStyle::StandardPixmap fallback);

}  // namespace lumora

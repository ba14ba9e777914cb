#pragma once

#include <QString>

namespace lumora {

// What the program makes of a file is decided by its name alone: the text
// from the last "." on, in upper case, looked up in fixed lists. Every list
// lives here, each as the window that uses it has it.

// The extension of a name from its last "." on, in upper case ("" without one).
QString upperExtension(const QString& fileName);

// What selecting a file in the browser previews.
enum class PreviewGroup { None, PlatformPicture, Sound, Avi, DecodedPicture, Mpeg, IconFile };
PreviewGroup previewGroup(const QString& fileName);

// The fixed modes of the Filter menu.
enum class FilterGroup { SupportedFiles, Images, Wavs, Videos, Midi, Icons };
// The mask of a mode: "*.BMP;*.ICO;..." in the order the file list searches it.
QString filterMask(FilterGroup group);

// Pictures a slideshow takes: the editor's drop test and the quick slideshow's walk.
bool isSlideshowPicture(const QString& fileName);
// The slideshow editor's file list mask (the same pictures, in its own order).
QString slideshowEditorMask();

// The pictures the full-screen viewer steps through.
bool isViewerPicture(const QString& fileName);

// Pictures that desktops' image loaders do not read: a wallpaper of one goes
// over as a copy in a format they do.
bool isForeignToDesktops(const QString& fileName);

}  // namespace lumora

#pragma once

// The ways of reaching each desktop, used by platform/desktop.cpp only.

#include "platform/desktop.h"

#include <QString>

namespace lumora::desktop_backends {

// How long one call to another program or over D-Bus may take.
inline constexpr int kCallTimeoutMs = 5000;

// The gsettings schema of a GNOME-style desktop.
struct BackgroundSchema {
    const char* schema;
    const char* pictureKey;  // a file:// URI, or a plain path when !pictureIsUri
    bool pictureIsUri;
    bool optionsHaveNone;  // else "None" empties the picture key
};
extern const BackgroundSchema kGnomeSchema;
extern const BackgroundSchema kCinnamonSchema;
extern const BackgroundSchema kMateSchema;

// Each writes through its desktop's own service, reads every value back and
// calls done with an empty text or why it failed. file is the one the desktop
// loads (the original or a PNG copy); empty for None.
void applyThroughGsettings(const BackgroundSchema& schema, WallpaperStyle style,
                           const QString& file, Desktop::Done done);
void applyThroughPlasma(WallpaperStyle style, const QString& file, Desktop::Done done);
void applyThroughXfconf(WallpaperStyle style, const QString& file, Desktop::Done done);

// The X11 root window's background: a retained screen-sized pixmap drawn from
// the picture. Returns an empty text or why it failed.
QString applyToX11Root(WallpaperStyle style, const QImage& picture);

}  // namespace lumora::desktop_backends

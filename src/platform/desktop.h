#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

namespace lumora {

enum class WallpaperStyle { Centred, Tiled, None };

// One wallpaper for the desktop to show.
struct WallpaperRequest {
    WallpaperStyle style = WallpaperStyle::None;
    // The picture's file, named by its exact bytes; empty for None.
    QString file;
    // Whether the desktop's own image loaders read the file's format; when
    // they do not, or a desktop cannot carry the name, it gets a PNG copy.
    bool desktopReadsFile = true;
    // The file decoded, for the copy and for a desktop we draw ourselves.
    QImage picture;
};

// The wallpaper of the desktop that runs. Calls to other programs and to
// D-Bus are asynchronous and end after 5 seconds at most.
class Desktop {
public:
    using Done = std::function<void(const QString& failure)>;
    virtual ~Desktop() = default;
    // Starts applying; done runs later on this thread with an empty text
    // once every value written was read back, or with why it failed.
    virtual void applyWallpaper(const WallpaperRequest& request, Done done) = 0;
};

Desktop& desktop();
// Replaces the desktop for tests; nullptr brings back the real one.
void setDesktop(Desktop* replacement);

// The desktops set up differently, named by XDG_CURRENT_DESKTOP: a colon
// list whose first known entry wins.
enum class DesktopKind { Gnome, Cinnamon, Mate, Plasma, Xfce, Other };
DesktopKind desktopKind(const QByteArray& currentDesktop);

// "file://" and the name's exact bytes, all but unreserved characters and
// "/" %-escaped.
QByteArray fileUri(const QString& path);

}  // namespace lumora

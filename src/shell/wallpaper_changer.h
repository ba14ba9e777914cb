#pragma once

#include "platform/desktop.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QTimer;

namespace lumora {

// Makes a picture file the desktop's wallpaper, centred or tiled, or removes
// it. While Active, its timer applies the wallpaper every Interval
// milliseconds, the first time one Interval after Active was set; a command
// that waits for the wallpaper runs Apply at once instead.
class TWallPaperChanger : public QObject {
    Q_OBJECT
public:
    // A picture decoded as the preview shows it; a null image when it cannot be.
    using Decoder = std::function<QImage(const QString& path)>;

    explicit TWallPaperChanger(Decoder decode, QObject* owner = nullptr);

    bool Active() const { return active_; }
    void setActive(bool active);
    bool Tiled() const { return tiled_; }
    void setTiled(bool tiled) { tiled_ = tiled; }
    int Interval() const { return interval_; }
    void setInterval(int milliseconds);
    const QString& Filename() const { return filename_; }
    // Takes a name only when it names a regular file (a pipe named like a
    // picture would never end); the empty name, no wallpaper, always.
    void setFilename(const QString& name);

    std::function<void()> OnBeginChange;
    std::function<void()> OnFinishChange;

    // The apply operation: OnBeginChange; "TileWallPaper" in the registry;
    // the picture to the desktop, when it decodes; "Wallpaper" = Filename;
    // OnFinishChange once the desktop has answered. One at a time: a call
    // while one runs does nothing.
    void Apply();
    bool Changing() const { return changing_; }
    // Why the last application fell short (registry, desktop), one reason a
    // line; empty when it did not.
    QString Failure() const { return problems_.join(u'\n'); }

private:
    void writeValue(const QString& name, const QString& value);
    void handOver(const WallpaperRequest& request);
    void desktopAnswered(const QString& failure);
    void finish();

    Decoder decode_;
    QTimer* timer_;
    bool active_ = false;
    bool tiled_ = false;
    int interval_ = 2000;
    QString filename_;

    bool changing_ = false;
    bool desktopAnswered_ = false;
    bool wallpaperWritten_ = false;
    QStringList problems_;
};

}  // namespace lumora

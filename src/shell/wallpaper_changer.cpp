#include "shell/wallpaper_changer.h"

#include "base/file_name.h"
#include "platform/errors.h"
#include "platform/registry.h"
#include "ui/file_kinds.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

namespace lumora {
namespace {

const QString kDesktopKey = QStringLiteral("\\Control Panel\\desktop");

}  // namespace

TWallPaperChanger::TWallPaperChanger(Decoder decode, QObject* owner)
    : QObject(owner), decode_(std::move(decode)), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("wallpaper"));
    // Each period counts from the end of the application before, so
    // applications never overlap, however long a desktop takes.
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TWallPaperChanger::Apply);
}

void TWallPaperChanger::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (active_ && interval_ > 0 && !changing_)
        timer_->start(interval_);
    else
        timer_->stop();
}

void TWallPaperChanger::setInterval(int milliseconds) {
    interval_ = milliseconds;
    if (timer_->isActive())
        timer_->start(interval_);
}

void TWallPaperChanger::setFilename(const QString& name) {
    if (name.isEmpty() || isRegularFile(name))
        filename_ = name;
}

void TWallPaperChanger::Apply() {
    if (changing_)
        return;
    changing_ = true;
    timer_->stop();
    problems_.clear();
    if (OnBeginChange)
        OnBeginChange();
    writeValue(QStringLiteral("TileWallPaper"), tiled_ ? QStringLiteral("1") : QStringLiteral("0"));
    const QString file = filename_;
    if (file.isEmpty()) {
        handOver({WallpaperStyle::None, {}, true, {}});
        return;
    }
    const WallpaperStyle style = tiled_ ? WallpaperStyle::Tiled : WallpaperStyle::Centred;
    // Decoded away from the windows: a large picture takes a moment.
    QPointer<TWallPaperChanger> self(this);
    QThreadPool::globalInstance()->start([self, decode = decode_, file, style] {
        QImage picture;
        try {
            picture = decode(file);
        } catch (...) {
            picture = QImage();
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, file, style, picture = std::move(picture)] {
                if (!self)
                    return;
                // A file we cannot decode goes to no desktop; its name is
                // still what the registry says the wallpaper is.
                if (picture.isNull()) {
                    self->writeValue(QStringLiteral("Wallpaper"), file);
                    self->finish();
                    return;
                }
                self->handOver({style, file, !isForeignToDesktops(file), picture});
            },
            Qt::QueuedConnection);
    });
}

void TWallPaperChanger::handOver(const WallpaperRequest& request) {
    // The desktop may answer before "Wallpaper" is written, or long after.
    desktopAnswered_ = false;
    wallpaperWritten_ = false;
    QPointer<TWallPaperChanger> self(this);
    desktop().applyWallpaper(request, [self](const QString& failure) {
        if (self)
            self->desktopAnswered(failure);
    });
    writeValue(QStringLiteral("Wallpaper"), request.file);
    wallpaperWritten_ = true;
    if (desktopAnswered_)
        finish();
}

void TWallPaperChanger::desktopAnswered(const QString& failure) {
    if (!failure.isEmpty())
        problems_ << failure;
    desktopAnswered_ = true;
    if (wallpaperWritten_)
        finish();
}

void TWallPaperChanger::writeValue(const QString& name, const QString& value) {
    try {
        registry().writeString(RegistryRoot::CurrentUser, kDesktopKey, name, value,
                               KeyAccess::OpenExisting);
    } catch (const EError& error) {
        if (!problems_.contains(error.message()))
            problems_ << error.message();
    }
}

void TWallPaperChanger::finish() {
    if (!changing_)
        return;
    changing_ = false;
    if (OnFinishChange)
        OnFinishChange();
    if (active_ && interval_ > 0)
        timer_->start(interval_);
}

}  // namespace lumora

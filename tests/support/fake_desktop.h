#pragma once

#include "platform/desktop.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace lumora::test {

// Keeps every wallpaper it is given and answers after answerMs with
// `failure`, or never; notes "desktop <style> <file>" in `events`.
class FakeDesktop final : public Desktop {
public:
    std::vector<WallpaperRequest> requests;
    QStringList* events = nullptr;
    QString failure;
    int answerMs = 0;  // negative: never answers
    Done pending;      // the last unanswered call of a desktop that never answers

    void applyWallpaper(const WallpaperRequest& request, Done done) override {
        requests.push_back(request);
        if (events)
            *events << QStringLiteral("desktop %1 %2").arg(styleName(request.style), request.file);
        if (answerMs < 0) {
            pending = std::move(done);
            return;
        }
        QTimer::singleShot(answerMs, QCoreApplication::instance(),
                           [done = std::move(done), failure = failure] { done(failure); });
    }

    static QString styleName(WallpaperStyle style) {
        switch (style) {
            case WallpaperStyle::Centred:
                return QStringLiteral("centred");
            case WallpaperStyle::Tiled:
                return QStringLiteral("tiled");
            case WallpaperStyle::None:
                break;
        }
        return QStringLiteral("none");
    }
};

// Installs a desktop for the lifetime of the object.
class DesktopScope {
public:
    explicit DesktopScope(Desktop& desktop) { setDesktop(&desktop); }
    ~DesktopScope() { setDesktop(nullptr); }
    DesktopScope(const DesktopScope&) = delete;
    DesktopScope& operator=(const DesktopScope&) = delete;
};

}  // namespace lumora::test

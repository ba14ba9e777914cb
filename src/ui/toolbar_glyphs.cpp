#include "ui/toolbar_glyphs.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include <cstring>
#include <utility>
#include <vector>

namespace lumora {
namespace {

struct Glyph {
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

constexpr Glyph kGlyphs[kToolbarGlyphs] = {
    {"edit-copy", QStyle::SP_FileDialogDetailedView},
    {"go-jump", QStyle::SP_ArrowForward},
    {"edit-delete", QStyle::SP_TrashIcon},
    {"window-close", QStyle::SP_DialogCloseButton},
    {"document-open", QStyle::SP_DialogOpenButton},
    {"view-refresh", QStyle::SP_BrowserReload},
    {"multimedia-player", QStyle::SP_MediaPlay},
    {"audio-volume-high", QStyle::SP_MediaVolume},
    {"zoom-fit-best", QStyle::SP_TitleBarMaxButton},
    {"view-fullscreen", QStyle::SP_DesktopIcon},
    {"document-new", QStyle::SP_FileDialogNewFolder},
    {"media-playback-start", QStyle::SP_MediaSeekForward},
    {"bookmarks", QStyle::SP_DirLinkIcon},
    {"preferences-system", QStyle::SP_FileDialogContentsView},
    {"view-restore", QStyle::SP_TitleBarNormalButton},
};

QPixmap faded(const QPixmap& normal) {
    QImage grey = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            // Light grey at a third of the opacity: unmistakably unavailable.
            line[x] =
                qRgba((g + 2 * 192) / 3, (g + 2 * 192) / 3, (g + 2 * 192) / 3, qAlpha(line[x]) / 3);
        }
    }
    QPixmap result = QPixmap::fromImage(grey);
    result.setDevicePixelRatio(normal.devicePixelRatio());
    return result;
}

// The source icon as it is, but its disabled state faded, made for a size
// only when that size is first painted. A themed glyph is looked up in the
// theme (and its fallback's files read) only when first measured or drawn:
// a window's icons cost nothing until the window shows.
class FadedDisabledEngine final : public QIconEngine {
public:
    explicit FadedDisabledEngine(QIcon source) : source_(std::move(source)) {}
    FadedDisabledEngine(const char* themeName, QStyle::StandardPixmap fallback)
        : themeName_(themeName), fallback_(fallback) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (mode != QIcon::Disabled)
            return source().pixmap(size, mode, state);
        for (const auto& [asked, made] : faded_)
            if (asked == size)
                return made;
        const QPixmap normal = source().pixmap(size, QIcon::Normal, state);
        if (normal.isNull())
            return normal;
        faded_.emplace_back(size, faded(normal));
        return faded_.back().second;
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return source().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State state) override {
        return source().availableSizes(QIcon::Normal, state);
    }
    QIconEngine* clone() const override {
        return themeName_ ? new FadedDisabledEngine(themeName_, fallback_)
                          : new FadedDisabledEngine(source_);
    }

private:
    const QIcon& source() {
        if (themeName_) {
            // The style's icon only where the theme has none: its pictures
            // are read at every size it has as soon as it is made.
            source_ = QIcon::fromTheme(QLatin1String(themeName_));
            if (source_.isNull() || source_.availableSizes().isEmpty())
                source_ = styleIcon(fallback_);
            themeName_ = nullptr;
        }
        return source_;
    }

    const char* themeName_ = nullptr;  // set until the themed glyph is looked up
    QStyle::StandardPixmap fallback_ = QStyle::SP_CustomBase;
    QIcon source_;
    std::vector<std::pair<QSize, QPixmap>> faded_;  // by the size asked for
};

// Makes the icon it stands for when first asked for anything but whether it
// is null.
class DeferredEngine final : public QIconEngine {
public:
    explicit DeferredEngine(std::function<QIcon()> make) : make_(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        made().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return made().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return made().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return made().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredEngine(make_); }

private:
    const QIcon& made() {
        if (make_) {
            icon_ = make_();
            make_ = nullptr;
        }
        return icon_;
    }

    std::function<QIcon()> make_;  // set until the icon is made
    QIcon icon_;
};

}  // namespace

QIcon toolbarGlyph(int index) {
    const Glyph& glyph = kGlyphs[index];
    return themedGlyph(glyph.themeName, glyph.fallback);
}

QIcon themedGlyph(const char* themeName, QStyle::StandardPixmap fallback) {
    // One icon per glyph for every window that shows it, looked up in the
    // theme once; kept for the process, like the style it comes from.
    struct Made {
        const char* themeName;
        QStyle::StandardPixmap fallback;
        QIcon icon;
    };
    static auto* made = new std::vector<Made>;
    for (const Made& m : *made)
        if (m.fallback == fallback && std::strcmp(m.themeName, themeName) == 0)
            return m.icon;
    made->push_back({themeName, fallback, QIcon(new FadedDisabledEngine(themeName, fallback))});
    return made->back().icon;
}

QIcon styleIcon(QStyle::StandardPixmap icon) {
    static auto* made = new std::vector<std::pair<QStyle::StandardPixmap, QIcon>>;
    for (const auto& [kind, looked] : *made)
        if (kind == icon)
            return looked;
    made->emplace_back(icon,
                       deferredIcon([icon] { return QApplication::style()->standardIcon(icon); }));
    return made->back().second;
}

QIcon deferredIcon(std::function<QIcon()> make) {
    return QIcon(new DeferredEngine(std::move(make)));
}

QIcon providerIcon(QAbstractFileIconProvider::IconType type) {
    return deferredIcon([type] { return QFileIconProvider().icon(type); });
}

QIcon withVisibleDisabledState(const QIcon& icon) {
    return QIcon(new FadedDisabledEngine(icon));
}

QToolButton* glyphButton(QWidget* parent, const char* name, const QString& hint,
                         const char* themeIcon, QStyle::StandardPixmap fallback) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);  // a glyph alone says nothing to a screen reader
    button->setAutoRaise(true);
    button->setIcon(themedGlyph(themeIcon, fallback));
    return button;
}

}  // namespace lumora

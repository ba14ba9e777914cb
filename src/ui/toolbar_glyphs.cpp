#include "ui/toolbar_glyphs.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include <array>
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
// only when that size is first painted: a window's icons cost nothing until
// the window shows.
class FadedDisabledEngine final : public QIconEngine {
public:
    explicit FadedDisabledEngine(QIcon source) : source_(std::move(source)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (mode != QIcon::Disabled)
            return source_.pixmap(size, mode, state);
        for (const auto& [asked, made] : faded_)
            if (asked == size)
                return made;
        const QPixmap normal = source_.pixmap(size, QIcon::Normal, state);
        if (normal.isNull())
            return normal;
        faded_.emplace_back(size, faded(normal));
        return faded_.back().second;
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return source_.actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State state) override {
        return source_.availableSizes(QIcon::Normal, state);
    }
    QIconEngine* clone() const override { return new FadedDisabledEngine(source_); }

private:
    QIcon source_;
    std::vector<std::pair<QSize, QPixmap>> faded_;  // by the size asked for
};

}  // namespace

QIcon toolbarGlyph(int index) {
    // One icon per glyph for every window that shows it, looked up in the
    // theme once; kept for the process, like the style it comes from.
    static auto* made = new std::array<QIcon, kToolbarGlyphs>;
    QIcon& icon = (*made)[size_t(index)];
    if (icon.isNull()) {
        const Glyph& glyph = kGlyphs[index];
        icon = withVisibleDisabledState(QIcon::fromTheme(
            QLatin1String(glyph.themeName), QApplication::style()->standardIcon(glyph.fallback)));
    }
    return icon;
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
    button->setIcon(withVisibleDisabledState(
        QIcon::fromTheme(QLatin1String(themeIcon), QApplication::style()->standardIcon(fallback))));
    return button;
}

}  // namespace lumora

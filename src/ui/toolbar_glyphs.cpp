#include "ui/toolbar_glyphs.h"

#include <QApplication>
#include <QStyle>
#include <QToolButton>

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

}  // namespace

QIcon toolbarGlyph(int index) {
    const Glyph& glyph = kGlyphs[index];
    return withVisibleDisabledState(QIcon::fromTheme(
        QLatin1String(glyph.themeName), QApplication::style()->standardIcon(glyph.fallback)));
}

QIcon withVisibleDisabledState(const QIcon& icon) {
    QIcon result;
    for (const int side : {16, 20, 24, 32}) {
        const QPixmap normal = icon.pixmap(side, QIcon::Normal);
        if (normal.isNull())
            continue;
        result.addPixmap(normal, QIcon::Normal);
        result.addPixmap(icon.pixmap(side, QIcon::Active), QIcon::Active);
        result.addPixmap(faded(normal), QIcon::Disabled);
    }
    return result;
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

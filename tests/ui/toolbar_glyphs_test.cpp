#include "ui/toolbar_glyphs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QToolButton>

namespace lumora {
namespace {

QImage pixels(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A glyph is looked up when first drawn, once for every window that shows
// it: what it draws is the theme's icon, else the style's, and its disabled
// state is faded, as when it was looked up at once.
TEST(ToolbarGlyphs, LookedUpWhenDrawnAndSharedByName) {
    const char* missing = "lumora-test-no-such-icon";
    const QIcon glyph = themedGlyph(missing, QStyle::SP_ArrowUp);
    EXPECT_EQ(glyph.cacheKey(), themedGlyph(missing, QStyle::SP_ArrowUp).cacheKey());
    EXPECT_NE(glyph.cacheKey(), themedGlyph(missing, QStyle::SP_ArrowDown).cacheKey());

    const QIcon style = QApplication::style()->standardIcon(QStyle::SP_ArrowUp);
    ASSERT_FALSE(pixels(style).isNull());
    EXPECT_EQ(glyph.actualSize(QSize(16, 16)), style.actualSize(QSize(16, 16)));
    EXPECT_EQ(pixels(glyph), pixels(style));
    const QImage disabled = pixels(glyph, QIcon::Disabled);
    EXPECT_NE(disabled, pixels(glyph));
    EXPECT_LT(qAlpha(disabled.pixel(8, 8)), 255 / 3 + 1);

    // A button's copy of the icon draws the same.
    QToolButton button;
    button.setIcon(glyph);
    EXPECT_EQ(pixels(button.icon()), pixels(style));

    // The lists' standard icons, one per kind for every list.
    const QIcon folder = styleIcon(QStyle::SP_DirOpenIcon);
    EXPECT_EQ(folder.cacheKey(), styleIcon(QStyle::SP_DirOpenIcon).cacheKey());
    EXPECT_EQ(pixels(folder), pixels(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon)));
    EXPECT_NE(pixels(styleIcon(QStyle::SP_DriveHDIcon)), pixels(folder));
}

// A deferred icon is made when first measured or drawn, once for all its
// copies; before that it is not null, so buttons keep room for it.
TEST(ToolbarGlyphs, ADeferredIconIsMadeOnceWhenFirstDrawn) {
    int made = 0;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QIcon icon = deferredIcon([&] {
        ++made;
        return QIcon(red);
    });
    QToolButton button;
    button.setIcon(icon);
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_EQ(made, 0);
    EXPECT_EQ(pixels(button.icon()), pixels(QIcon(red)));
    EXPECT_EQ(pixels(icon), pixels(QIcon(red)));
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace lumora

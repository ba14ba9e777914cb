// A desktop without a wallpaper service of its own: the X11 root window's
// background. The pixmap is made on a connection of its own whose resources
// the server keeps after it closes, so the wallpaper outlives the program;
// _XROOTPMAP_ID and ESETROOT_PMAP_ID name it for other programs, and the
// connection that made the previous one is ended, which frees it.
#include "platform/desktop_backends.h"
#include "platform/xcb_atom.h"

#include <QPainter>
#include <QRect>
#include <algorithm>
#include <memory>
#include <vector>

#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace lumora::desktop_backends {
namespace {

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&free)>;

template <class Reply>
ReplyPtr<Reply> owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &free);
}

// Whether a request went through; the server answers it before the next reply.
bool succeeded(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    free(error);
    return !error;
}

xcb_pixmap_t pixmapProperty(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t property) {
    auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, property, XCB_ATOM_PIXMAP, 0, 1),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 4)
        return XCB_NONE;
    return *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
}

// The root's pixmap that a program setting the wallpaper left behind: named
// by both properties, kept by a connection of its own that may be ended.
xcb_pixmap_t retainedRootPixmap(xcb_connection_t* connection, xcb_window_t root,
                                const xcb_atom_t (&properties)[2]) {
    const xcb_pixmap_t previous = pixmapProperty(connection, root, properties[1]);
    return previous == pixmapProperty(connection, root, properties[0]) ? previous : XCB_NONE;
}

// The monitors of the screen (RandR); the whole screen when it cannot tell.
std::vector<QRect> monitors(xcb_connection_t* connection, const xcb_screen_t& screen) {
    std::vector<QRect> found;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr && randr->present) {
        auto reply = owned(xcb_randr_get_monitors_reply(
            connection, xcb_randr_get_monitors(connection, screen.root, 1), nullptr));
        if (reply)
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it))
                if (it.data->width > 0 && it.data->height > 0)
                    found.emplace_back(it.data->x, it.data->y, it.data->width, it.data->height);
    }
    if (found.empty())
        found.emplace_back(0, 0, screen.width_in_pixels, screen.height_in_pixels);
    return found;
}

// The image format the root window's pixels take, or Invalid when we cannot draw them.
QImage::Format pixelFormat(xcb_connection_t* connection, const xcb_screen_t& screen) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return QImage::Format_Invalid;
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen.root_depth && it.data->scanline_pad == 32)
            bitsPerPixel = it.data->bits_per_pixel;
    const xcb_visualtype_t* visual = nullptr;
    for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem && !visual;
         xcb_depth_next(&depths))
        for (auto it = xcb_depth_visuals_iterator(depths.data); it.rem; xcb_visualtype_next(&it))
            if (it.data->visual_id == screen.root_visual)
                visual = it.data;
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR)
        return QImage::Format_Invalid;
    if (bitsPerPixel == 32 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
        visual->blue_mask == 0xFF)
        return QImage::Format_RGB32;
    if (bitsPerPixel == 16 && visual->red_mask == 0xF800 && visual->green_mask == 0x7E0 &&
        visual->blue_mask == 0x1F)
        return QImage::Format_RGB16;
    return QImage::Format_Invalid;
}

// The screen as the wallpaper shows it: the picture at its own size in the
// middle of each monitor on the root's default black, or tiled from the top
// left. Only the part that shows is drawn, whatever the picture's size.
QImage composed(const QSize& screenSize, const std::vector<QRect>& monitors, WallpaperStyle style,
                const QImage& picture) {
    QImage canvas(screenSize, QImage::Format_RGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    if (style == WallpaperStyle::Tiled) {
        painter.fillRect(canvas.rect(), QBrush(picture));
        return canvas;
    }
    for (const QRect& monitor : monitors) {
        const QRect target(monitor.x() + (monitor.width() - picture.width()) / 2,
                           monitor.y() + (monitor.height() - picture.height()) / 2, picture.width(),
                           picture.height());
        const QRect shown = target & monitor & canvas.rect();
        if (!shown.isEmpty())
            painter.drawImage(shown.topLeft(), picture, shown.translated(-target.topLeft()));
    }
    return canvas;
}

// Sends the image in bands that fit the server's largest request.
void putImage(xcb_connection_t* connection, xcb_pixmap_t pixmap, xcb_gcontext_t gc,
              const QImage& image, uint8_t depth) {
    const qint64 maxBytes = qint64(xcb_get_maximum_request_length(connection)) * 4 - 64;
    const qint64 stride = image.bytesPerLine();
    const int rowsPerBand = int(std::clamp<qint64>(maxBytes / stride, 1, image.height()));
    for (int y = 0; y < image.height(); y += rowsPerBand) {
        const int rows = qMin(rowsPerBand, image.height() - y);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(image.width()),
                      uint16_t(rows), 0, int16_t(y), 0, depth, uint32_t(stride * rows),
                      image.constScanLine(y));
    }
}

QString restoreDefault(xcb_connection_t* connection, xcb_window_t root,
                       const xcb_atom_t (&properties)[2]) {
    const uint32_t none = XCB_BACK_PIXMAP_NONE;
    if (!succeeded(connection, xcb_change_window_attributes_checked(connection, root,
                                                                    XCB_CW_BACK_PIXMAP, &none)))
        return QStringLiteral("The X server refused the root window's default background");
    xcb_clear_area(connection, 0, root, 0, 0, 0, 0);
    for (const xcb_atom_t property : properties)
        xcb_delete_property(connection, root, property);
    return {};
}

QString setPixmap(xcb_connection_t* connection, const xcb_screen_t& screen,
                  const xcb_atom_t (&properties)[2], WallpaperStyle style, const QImage& picture) {
    const QImage::Format format = pixelFormat(connection, screen);
    if (format == QImage::Format_Invalid)
        return QStringLiteral("Lumora cannot draw on this X display's %1-bit pixels")
            .arg(screen.root_depth);
    const QSize size(screen.width_in_pixels, screen.height_in_pixels);
    QImage canvas = composed(size, monitors(connection, screen), style, picture);
    if (format != canvas.format())
        canvas.convertTo(format);
    if (canvas.isNull())
        return QStringLiteral("There is no memory for a %1 x %2 wallpaper")
            .arg(size.width())
            .arg(size.height());

    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    if (!succeeded(connection,
                   xcb_create_pixmap_checked(connection, screen.root_depth, pixmap, screen.root,
                                             uint16_t(size.width()), uint16_t(size.height()))))
        return QStringLiteral("The X server has no room for a %1 x %2 wallpaper")
            .arg(size.width())
            .arg(size.height());
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, pixmap, 0, nullptr);
    putImage(connection, pixmap, gc, canvas, screen.root_depth);
    xcb_free_gc(connection, gc);

    const xcb_pixmap_t previous = retainedRootPixmap(connection, screen.root, properties);
    if (!succeeded(connection, xcb_change_window_attributes_checked(connection, screen.root,
                                                                    XCB_CW_BACK_PIXMAP, &pixmap))) {
        xcb_free_pixmap(connection, pixmap);
        return QStringLiteral("The X server refused the wallpaper as the root's background");
    }
    xcb_clear_area(connection, 0, screen.root, 0, 0, 0, 0);
    for (const xcb_atom_t property : properties)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, screen.root, property,
                            XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    // The pixmap stays when this connection closes; the one before it goes
    // with the connection that kept it, as other programs setting the root do.
    xcb_set_close_down_mode(connection, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    if (previous != XCB_NONE)
        xcb_kill_client(connection, previous);
    return pixmapProperty(connection, screen.root, properties[0]) == pixmap
               ? QString()
               : QStringLiteral("The X server did not keep the wallpaper's pixmap");
}

}  // namespace

QString applyToX11Root(WallpaperStyle style, const QImage& picture) {
    int screenNumber = 0;
    Connection connection(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection.get()))
        return QStringLiteral("Cannot open the X display %1").arg(qEnvironmentVariable("DISPLAY"));
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return QStringLiteral("The X display has no screen %1").arg(screenNumber);
    const xcb_screen_t& screen = *screens.data;
    const xcb_atom_t properties[2] = {internAtom(connection.get(), "_XROOTPMAP_ID"),
                                      internAtom(connection.get(), "ESETROOT_PMAP_ID")};
    if (properties[0] == XCB_ATOM_NONE || properties[1] == XCB_ATOM_NONE)
        return QStringLiteral("The X server does not answer");

    if (style == WallpaperStyle::None) {
        const xcb_pixmap_t previous = retainedRootPixmap(connection.get(), screen.root, properties);
        const QString failure = restoreDefault(connection.get(), screen.root, properties);
        if (!failure.isEmpty())
            return failure;
        if (previous != XCB_NONE)
            xcb_kill_client(connection.get(), previous);
        return pixmapProperty(connection.get(), screen.root, properties[0]) == XCB_NONE
                   ? QString()
                   : QStringLiteral("The X server kept the old wallpaper's pixmap");
    }
    if (picture.isNull())
        return QStringLiteral("There is no picture to show");
    return setPixmap(connection.get(), screen, properties, style, picture);
}

}  // namespace lumora::desktop_backends

#include "platform/taskbar.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace lumora {
namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
}

}  // namespace

void setSkipTaskbar(QWidget* window, bool skip) {
    if (!window)
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Without X11 (tests run offscreen) or before the window is mapped there is
    // nothing to tell; TNoTask applies the state again when the window shows.
    if (!x11 || !window->isVisible() || !window->windowHandle())
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
        return;

    const auto id = static_cast<xcb_window_t>(window->winId());
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = state;
        event.data.data32[0] = skip ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
        event.data.data32[1] = skipTaskbar;
        event.data.data32[3] = 1;  // normal application
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}

void TNoTask::setHideForm(bool hide) {
    if (hideForm_ == hide)
        return;
    hideForm_ = hide;
    setSkipTaskbar(window_, hide);
}

void TNoTask::windowShown() {
    if (hideForm_)
        setSkipTaskbar(window_, true);
}

}  // namespace lumora

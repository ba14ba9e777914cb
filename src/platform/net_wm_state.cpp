#include "platform/net_wm_state.h"

#include "platform/xcb_atom.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace lumora {
namespace {

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// Whether an atom list property of a window holds the atom.
bool listHolds(xcb_connection_t* connection, xcb_window_t window, const char* property,
               const char* atomName) {
    const xcb_atom_t list = internAtom(connection, property);
    const xcb_atom_t wanted = internAtom(connection, atomName);
    if (list == XCB_ATOM_NONE || wanted == XCB_ATOM_NONE)
        return false;
    xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, list, XCB_ATOM_ATOM, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = reply->format == 32 ? xcb_get_property_value_length(reply) / 4 : 0;
    bool found = false;
    for (int i = 0; i < count && !found; ++i)
        found = atoms[i] == wanted;
    free(reply);
    return found;
}

// The X window of a shown top-level window, 0 while it has none.
xcb_window_t mappedWindow(QWidget* window) {
    if (!window || !window->isVisible() || !window->internalWinId())
        return 0;
    return static_cast<xcb_window_t>(window->internalWinId());
}

}  // namespace

bool netWmStateOffered(const char* state) {
    xcb_connection_t* connection = x11Connection();
    return connection && listHolds(connection, rootWindow(connection), "_NET_SUPPORTED", state);
}

bool requestNetWmState(QWidget* window, const char* state, bool add) {
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t id = mappedWindow(window);
    if (!connection || !id)
        return false;
    const xcb_atom_t property = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t value = internAtom(connection, state);
    if (property == XCB_ATOM_NONE || value == XCB_ATOM_NONE)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = property;
    event.data.data32[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
    event.data.data32[1] = value;
    event.data.data32[3] = 1;  // a normal application
    xcb_send_event(connection, 0, rootWindow(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    return true;
}

bool hasNetWmState(QWidget* window, const char* state) {
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t id = mappedWindow(window);
    return connection && id && listHolds(connection, id, "_NET_WM_STATE", state);
}

NetWmStateWatch::NetWmStateWatch(QWidget* window) : QObject(window), window_(window) {
    if (xcb_connection_t* connection = x11Connection()) {
        stateAtom_ = internAtom(connection, "_NET_WM_STATE");
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

NetWmStateWatch::~NetWmStateWatch() {
    if (stateAtom_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool NetWmStateWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->atom == stateAtom_ && notify->window == mappedWindow(window_))
        emit changed();
    return false;
}

}  // namespace lumora

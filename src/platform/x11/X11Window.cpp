#include "platform/x11/X11Window.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QGuiApplication>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace wystrand::x11 {

namespace {

xcb_connection_t* connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
        xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The screen number of "host:display.screen"; 0 when absent.
int screenNumber() {
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
    if (dot < 0) {
        return 0;
    }
    bool ok = false;
    const int n = display.mid(dot + 1).toInt(&ok);
    return ok && n >= 0 ? n : 0;
}

}  // namespace

bool isActive() {
    return connection() != nullptr;
}

void markAsNotification(WId window) {
    xcb_connection_t* c = connection();
    if (c == nullptr || window == 0) {
        return;
    }
    const auto xid = static_cast<xcb_window_t>(window);

    const xcb_atom_t type = intern(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t notification = intern(c, "_NET_WM_WINDOW_TYPE_NOTIFICATION");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, type, XCB_ATOM_ATOM, 32, 1, &notification);

    const std::array<xcb_atom_t, 4> states{
        intern(c, "_NET_WM_STATE_SKIP_TASKBAR"), intern(c, "_NET_WM_STATE_SKIP_PAGER"),
        intern(c, "_NET_WM_STATE_ABOVE"), intern(c, "_NET_WM_STATE_STICKY")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, intern(c, "_NET_WM_STATE"), XCB_ATOM_ATOM,
                        32, static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(c);
}

bool compositorRunning() {
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return false;
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    const xcb_atom_t selection = intern(c, name.constData());
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

}  // namespace wystrand::x11

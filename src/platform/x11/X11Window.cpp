#include "platform/x11/X11Window.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

bool isActive() {
    return connection() != nullptr;
}

void markAsNotification(WId window) {
    xcb_connection_t* c = connection();
    if (c == nullptr || window == 0) {
        return;
    }
    const auto xid = static_cast<xcb_window_t>(window);

    const auto atoms =
        intern<7>(c, {"_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_STATE",
                      "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                      "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY"});
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, atoms[0], XCB_ATOM_ATOM, 32, 1, &atoms[1]);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, atoms[2], XCB_ATOM_ATOM, 32, 4, &atoms[3]);
    xcb_flush(c);
}

void setBlurBehind(WId window, const QRect& region) {
    xcb_connection_t* c = connection();
    if (c == nullptr || window == 0) {
        return;
    }
    const xcb_atom_t blur = intern<1>(c, {"_KDE_NET_WM_BLUR_BEHIND_REGION"})[0];
    const std::array<std::uint32_t, 4> rect{
        static_cast<std::uint32_t>(region.x()), static_cast<std::uint32_t>(region.y()),
        static_cast<std::uint32_t>(region.width()), static_cast<std::uint32_t>(region.height())};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window), blur,
                        XCB_ATOM_CARDINAL, 32, rect.size(), rect.data());
    xcb_flush(c);
}

bool compositorRunning() {
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return false;
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    const xcb_atom_t selection = intern<1>(c, {name.constData()})[0];
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

}  // namespace wystrand::x11

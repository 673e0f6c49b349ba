#include "platform/x11/X11Focus.h"

#include <xcb/xcb.h>

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

UserFocus userFocus() {
    UserFocus focus;
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return focus;
    }
    const xcb_window_t root = rootWindow(c);
    if (root == XCB_WINDOW_NONE) {
        return focus;
    }
    const xcb_atom_t atom = intern<1>(c, {"_NET_ACTIVE_WINDOW"})[0];

    // First round trip: the property and the pointer together.
    const auto pointerCookie = xcb_query_pointer(c, root);
    xcb_window_t active = XCB_WINDOW_NONE;
    if (atom != XCB_ATOM_NONE) {
        const auto property = take(xcb_get_property_reply, c,
                                   xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 1));
        active = windowIn(property.get());
    }
    if (const auto pointer = take(xcb_query_pointer_reply, c, pointerCookie);
        pointer && pointer->same_screen) {
        focus.pointer = QPoint(pointer->root_x, pointer->root_y);
    }
    if (active == XCB_WINDOW_NONE) {
        return focus;
    }

    // Second: is it viewable (mapped, and every ancestor too), how large, and where on the root.
    const auto attributesCookie = xcb_get_window_attributes(c, active);
    const auto geometryCookie = xcb_get_geometry(c, active);
    const auto originCookie = xcb_translate_coordinates(c, active, root, 0, 0);
    const auto attributes = take(xcb_get_window_attributes_reply, c, attributesCookie);
    const auto geometry = take(xcb_get_geometry_reply, c, geometryCookie);
    const auto origin = take(xcb_translate_coordinates_reply, c, originCookie);
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && geometry && origin &&
        origin->same_screen && geometry->width > 0 && geometry->height > 0) {
        focus.activeWindow = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    }
    return focus;
}

}  // namespace wystrand::x11

#include "platform/x11/X11Focus.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

namespace {

// Every reply is taken with its error slot: an error left to the event queue would reach Qt,
// which prints it. A window named by a stale _NET_ACTIVE_WINDOW may be gone by now.
template <typename T, typename Cookie>
Reply<T> take(T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**), xcb_connection_t* c,
              Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> result(reply(c, cookie, &error));
    std::free(error);
    return result;
}

// The root of the screen that DISPLAY names ("host:display.screen"), as Qt connected to it.
xcb_window_t rootWindow(xcb_connection_t* c) {
    int number = screenNumber();
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; it.rem > 0 && number > 0; --number) {
        xcb_screen_next(&it);
    }
    return it.rem > 0 ? it.data->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

// Atom numbers last as long as the server; interned once per connection. Main thread only.
xcb_atom_t activeWindowAtom(xcb_connection_t* c) {
    static xcb_connection_t* cachedFor = nullptr;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (cachedFor != c || atom == XCB_ATOM_NONE) {
        static constexpr char name[] = "_NET_ACTIVE_WINDOW";
        const auto reply =
            take(xcb_intern_atom_reply, c, xcb_intern_atom(c, 0, sizeof name - 1, name));
        cachedFor = c;
        atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }
    return atom;
}

xcb_window_t windowIn(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply) < 4) {
        return XCB_WINDOW_NONE;
    }
    xcb_window_t window = XCB_WINDOW_NONE;
    std::memcpy(&window, xcb_get_property_value(reply), sizeof window);
    return window;
}

}  // namespace

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
    const xcb_atom_t atom = activeWindowAtom(c);

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

#include "platform/x11/X11Keyboard.h"

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

void KeyboardLoan::lend(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return;
    }
    if (!previous_) {
        const Reply<xcb_get_input_focus_reply_t> focus =
            take(xcb_get_input_focus_reply, c, xcb_get_input_focus(c));
        previous_ = focus ? focus->focus : static_cast<xcb_window_t>(XCB_INPUT_FOCUS_POINTER_ROOT);
    }
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(c);
}

void KeyboardLoan::giveBack() {
    xcb_connection_t* c = connection();
    if (c == nullptr || !previous_) {
        return;
    }
    const xcb_window_t to = *previous_;
    previous_.reset();
    // None and PointerRoot are no windows; a real one must still be viewable to take focus.
    if (to != XCB_NONE && to != XCB_INPUT_FOCUS_POINTER_ROOT) {
        const Reply<xcb_get_window_attributes_reply_t> attributes =
            take(xcb_get_window_attributes_reply, c, xcb_get_window_attributes(c, to));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, to, XCB_CURRENT_TIME);
            xcb_flush(c);
            return;
        }
    }
    // No X window had it, or it has gone. On Xwayland a Wayland window may have, and the compositor
    // gives the keyboard back to that one when the focused X window goes, not when focus is set to
    // none (GNOME Shell then leaves it with no window at all). So a window of our own takes the
    // focus and goes at once, and X reverts the focus to none or to PointerRoot as before.
    const xcb_window_t standIn = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, standIn, rootWindow(c), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    xcb_map_window(c, standIn);
    xcb_set_input_focus(c, to == XCB_NONE ? XCB_INPUT_FOCUS_NONE : XCB_INPUT_FOCUS_POINTER_ROOT,
                        standIn, XCB_CURRENT_TIME);
    xcb_destroy_window(c, standIn);
    xcb_flush(c);
}

}  // namespace wystrand::x11

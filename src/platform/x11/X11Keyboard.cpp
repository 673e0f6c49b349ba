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
    bool window = to != XCB_NONE && to != XCB_INPUT_FOCUS_POINTER_ROOT;
    if (window) {
        const Reply<xcb_get_window_attributes_reply_t> attributes =
            take(xcb_get_window_attributes_reply, c, xcb_get_window_attributes(c, to));
        window = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // Else the root: keys then go to the window under the pointer, much as with PointerRoot.
    // On Xwayland a Wayland window shows to X as focus None; GNOME Shell gives the keyboard back
    // to it when X focus lands on the root, and to no window at all when it is set to None or
    // PointerRoot.
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window ? to : rootWindow(c), XCB_CURRENT_TIME);
    xcb_flush(c);
}

}  // namespace wystrand::x11

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
    xcb_window_t to = *previous_;
    previous_.reset();
    // None and PointerRoot are no windows; a real one must still be viewable to take focus.
    if (to != XCB_NONE && to != XCB_INPUT_FOCUS_POINTER_ROOT) {
        const Reply<xcb_get_window_attributes_reply_t> attributes =
            take(xcb_get_window_attributes_reply, c, xcb_get_window_attributes(c, to));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
            to = XCB_INPUT_FOCUS_POINTER_ROOT;
        }
    }
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, to, XCB_CURRENT_TIME);
    xcb_flush(c);
}

}  // namespace wystrand::x11

#include "platform/x11/X11Fullscreen.h"

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <algorithm>
#include <cstdlib>

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

namespace {

// The event mask this connection (Qt's) selects on `window`, or nothing for a window gone.
std::optional<std::uint32_t> ownMask(xcb_connection_t* c, xcb_window_t window) {
    const auto attributes =
        take(xcb_get_window_attributes_reply, c, xcb_get_window_attributes(c, window));
    return attributes ? std::optional(attributes->your_event_mask) : std::nullopt;
}

// Checked, so that a window gone meanwhile gives no error for Qt to print.
void selectEvents(xcb_connection_t* c, xcb_window_t window, std::uint32_t mask) {
    std::free(xcb_request_check(
        c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask)));
}

}  // namespace

X11Fullscreen::~X11Fullscreen() {
    if (filtering_ && connection() != nullptr) {
        if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
            dispatcher->removeNativeEventFilter(this);
        }
        follow(XCB_WINDOW_NONE);
    }
}

void X11Fullscreen::start() {
    xcb_connection_t* c = connection();
    if (c == nullptr || (root_ = rootWindow(c)) == XCB_WINDOW_NONE) {
        report(false);
        return;
    }
    atoms_ = intern<atoms>(c, {"_NET_ACTIVE_WINDOW", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN"});
    // Qt selects events on the root too: its mask is kept, with property changes added.
    selectEvents(c, root_, ownMask(c, root_).value_or(0) | XCB_EVENT_MASK_PROPERTY_CHANGE);
    QAbstractEventDispatcher::instance()->installNativeEventFilter(this);
    filtering_ = true;
    readActive();
}

bool X11Fullscreen::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != QByteArrayLiteral("xcb_generic_event_t")) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window == root_ && notify->atom == atoms_[activeWindowAtom]) {
        readActive();
    } else if (notify->window == active_ && active_ != XCB_WINDOW_NONE &&
               notify->atom == atoms_[wmStateAtom]) {
        readState();
    }
    // Qt follows properties of its own on the same windows.
    return false;
}

void X11Fullscreen::readActive() {
    xcb_connection_t* c = connection();
    const auto property =
        take(xcb_get_property_reply, c,
             xcb_get_property(c, 0, root_, atoms_[activeWindowAtom], XCB_ATOM_WINDOW, 0, 1));
    follow(windowIn(property.get()));
    readState();
}

void X11Fullscreen::follow(std::uint32_t window) {
    if (window == active_) {
        return;
    }
    xcb_connection_t* c = connection();
    if (active_ != XCB_WINDOW_NONE) {
        selectEvents(c, active_, activeMask_);
    }
    active_ = XCB_WINDOW_NONE;
    if (window == XCB_WINDOW_NONE || window == root_) {
        return;
    }
    if (const auto mask = ownMask(c, window)) {
        active_ = window;
        activeMask_ = *mask;
        selectEvents(c, window, *mask | XCB_EVENT_MASK_PROPERTY_CHANGE);
    }
}

void X11Fullscreen::readState() {
    if (active_ == XCB_WINDOW_NONE) {
        report(false);
        return;
    }
    xcb_connection_t* c = connection();
    const auto state =
        take(xcb_get_property_reply, c,
             xcb_get_property(c, 0, active_, atoms_[wmStateAtom], XCB_ATOM_ATOM, 0, 64));
    bool fullscreen = false;
    if (state && state->type == XCB_ATOM_ATOM && state->format == 32) {
        const auto* begin = static_cast<const xcb_atom_t*>(xcb_get_property_value(state.get()));
        const auto* end = begin + xcb_get_property_value_length(state.get()) / 4;
        fullscreen = std::find(begin, end, atoms_[fullscreenAtom]) != end;
    }
    report(fullscreen);
}

}  // namespace wystrand::x11

#include "bench/RootWatcher.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace wystrand::bench {

RootWatcher::~RootWatcher() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

bool RootWatcher::open(const std::string& display) {
    int screenNumber = 0;
    connection_ = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    root_ = it.data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(connection_, it.data->root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        std::free(error);
        return false;
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (damage != nullptr && damage->present != 0) {
        xcb_damage_query_version_reply_t* version = xcb_damage_query_version_reply(
            connection_, xcb_damage_query_version(connection_, 1, 1), nullptr);
        if (version != nullptr) {
            damageEvent_ = damage->first_event;
            std::free(version);
        }
    }
    return true;
}

bool RootWatcher::redirectWindows(bool on) {
    if (connection_ == nullptr) {
        return false;
    }
    const xcb_query_extension_reply_t* composite =
        xcb_get_extension_data(connection_, &xcb_composite_id);
    if (composite == nullptr || composite->present == 0) {
        return false;
    }
    xcb_composite_query_version_reply_t* version = xcb_composite_query_version_reply(
        connection_, xcb_composite_query_version(connection_, 0, 4), nullptr);
    if (version == nullptr) {
        return false;
    }
    std::free(version);
    const xcb_void_cookie_t cookie = on ? xcb_composite_redirect_subwindows_checked(
                                              connection_, root_, XCB_COMPOSITE_REDIRECT_MANUAL)
                                        : xcb_composite_unredirect_subwindows_checked(
                                              connection_, root_, XCB_COMPOSITE_REDIRECT_MANUAL);
    xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
    std::free(error);
    return error == nullptr;
}

// Made when the window is created, so that no drawing after its map can come before it.
void RootWatcher::watchDrawing(std::uint32_t window) {
    if (damageEvent_ == 0) {
        return;
    }
    xcb_damage_create(connection_, xcb_generate_id(connection_), window,
                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_flush(connection_);
}

int RootWatcher::fd() const {
    return connection_ != nullptr ? xcb_get_file_descriptor(connection_) : -1;
}

void RootWatcher::drain(std::vector<Change>& out) {
    if (connection_ == nullptr) {
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const auto at = Clock::now();
        const std::uint8_t type = event->response_type & 0x7f;
        if (damageEvent_ != 0 && type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            out.push_back({at, Change::drawn, damage->drawable});
            // Repaired at once, so that the next drawing (dunst reuses its window) reports too.
            xcb_damage_subtract(connection_, damage->damage, XCB_NONE, XCB_NONE);
            xcb_flush(connection_);
            std::free(event);
            continue;
        }
        switch (type) {
            case XCB_CREATE_NOTIFY: {
                const auto* create = reinterpret_cast<xcb_create_notify_event_t*>(event);
                places_[create->window] = {create->x, create->y, false};
                watchDrawing(create->window);
                break;
            }
            case XCB_DESTROY_NOTIFY:
                places_.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
                break;
            case XCB_CONFIGURE_NOTIFY: {
                const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                Place& place = places_[configure->window];
                if (place.mapped && (place.x != configure->x || place.y != configure->y)) {
                    out.push_back({at, Change::moved, configure->window});
                }
                place.x = configure->x;
                place.y = configure->y;
                break;
            }
            case XCB_MAP_NOTIFY: {
                const xcb_window_t window =
                    reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                places_[window].mapped = true;
                out.push_back({at, Change::mapped, window});
                break;
            }
            case XCB_UNMAP_NOTIFY: {
                const xcb_window_t window =
                    reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window;
                places_[window].mapped = false;
                out.push_back({at, Change::unmapped, window});
                break;
            }
            default:
                break;
        }
        std::free(event);
    }
}

}  // namespace wystrand::bench

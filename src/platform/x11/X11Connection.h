#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What the X11 seam's units share: Qt's connection and xcb's malloc'd replies. Internal to
// src/platform/x11.
namespace wystrand::x11 {

// Qt's own connection, or null off the xcb platform.
xcb_connection_t* connection();

// The screen number of DISPLAY ("host:display.screen"); 0 when absent.
int screenNumber();

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Every reply is taken with its error slot: an error left to the event queue would reach Qt,
// which prints it. A window named by a stale property may be gone by now.
template <typename T, typename Cookie>
Reply<T> take(T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**), xcb_connection_t* c,
              Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> result(reply(c, cookie, &error));
    std::free(error);
    return result;
}

// The root of the screen that DISPLAY names, as Qt connected to it.
xcb_window_t rootWindow(xcb_connection_t* c);

// The window that a property of type WINDOW names, or none.
xcb_window_t windowIn(const xcb_get_property_reply_t* reply);

// Atom numbers last as long as the X server. Each name is interned once, and the names that one
// call needs are asked for together: one round trip at most, where a card used to wait for nine.
// Main thread only, like Qt's connection itself.
template <std::size_t N>
std::array<xcb_atom_t, N> intern(xcb_connection_t* c, const std::array<const char*, N>& names) {
    static xcb_connection_t* cachedFor = nullptr;
    static std::map<std::string, xcb_atom_t, std::less<>> cache;
    if (cachedFor != c) {
        cache.clear();
        cachedFor = c;
    }
    std::array<xcb_atom_t, N> atoms{};
    std::array<std::optional<xcb_intern_atom_cookie_t>, N> pending;
    for (std::size_t i = 0; i < N; ++i) {
        if (const auto it = cache.find(std::string_view(names[i])); it != cache.end()) {
            atoms[i] = it->second;
        } else {
            pending[i] =
                xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
        }
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (!pending[i]) {
            continue;
        }
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, *pending[i], nullptr));
        atoms[i] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        if (atoms[i] != XCB_ATOM_NONE) {
            cache.emplace(names[i], atoms[i]);
        }
    }
    return atoms;
}

}  // namespace wystrand::x11

#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

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

}  // namespace wystrand::x11

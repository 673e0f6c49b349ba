#pragma once

#include <qwindowdefs.h>

// Window-system calls that Qt does not make for a notification card. Each is a no-op unless
// the application runs on the xcb platform.
namespace wystrand::x11 {

bool isActive();

// Marks a native window, before it is first mapped, as a notification that stays out of
// task bars and pagers, above other windows, on every desktop.
void markAsNotification(WId window);

// A compositing manager owns the _NET_WM_CM_S<screen> selection while it runs.
bool compositorRunning();

}  // namespace wystrand::x11

#pragma once

#include <qwindowdefs.h>

#include <QRect>

// Window-system calls that Qt does not make for a notification card. Each is a no-op unless
// the application runs on the xcb platform.
namespace wystrand::x11 {

bool isActive();

// Marks a native window, before it is first mapped, as a notification that stays out of
// task bars and pagers, above other windows, on every desktop.
void markAsNotification(WId window);

// Asks the compositor to blur the desktop behind `region` (window coordinates) of a translucent
// window; KWin honours it on override-redirect windows too.
void setBlurBehind(WId window, const QRect& region);

// A compositing manager owns the _NET_WM_CM_S<screen> selection while it runs.
bool compositorRunning();

}  // namespace wystrand::x11

#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

namespace wystrand::x11 {

// Where the user works, in root-window coordinates (device pixels).
struct UserFocus {
    // The window that the root's _NET_ACTIVE_WINDOW names, while it is viewable.
    std::optional<QRect> activeWindow;
    std::optional<QPoint> pointer;
};

// Asks the X server at the moment of the call, in two round trips at most (none off xcb, where
// both stay empty). Nothing is watched in between.
UserFocus userFocus();

}  // namespace wystrand::x11

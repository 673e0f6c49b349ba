#pragma once

#include <functional>
#include <string>

namespace wystrand {

// How the cards reach the screen.
enum class Backend {
    asConfigured,  // QT_QPA_PLATFORM names a platform of the user's choice
    layerShell,    // native Wayland: Qt draws offscreen, the cards are layer surfaces
    x11,           // Qt's xcb platform, on X11 or on XWayland
    none,          // nothing to show cards on
};

// `platform` is QT_QPA_PLATFORM (empty when unset); `wayland` and `x11` say whether
// WAYLAND_DISPLAY and DISPLAY are set; `offersLayerShell` asks the Wayland compositor and is
// called only when its answer matters. Qt's own Wayland platform is never the answer: on it a
// card would be an ordinary application window.
Backend chooseBackend(const std::string& platform, bool wayland, bool x11,
                      const std::function<bool()>& offersLayerShell);

}  // namespace wystrand

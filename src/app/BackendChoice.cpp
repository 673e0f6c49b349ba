#include "app/BackendChoice.h"

namespace wystrand {

Backend chooseBackend(const std::string& platform, bool wayland, bool x11,
                      const std::function<bool()>& offersLayerShell) {
    const bool asksWayland = platform.starts_with("wayland");
    if (!platform.empty() && !asksWayland) {
        return Backend::asConfigured;
    }
    if (wayland && offersLayerShell && offersLayerShell()) {
        return Backend::layerShell;
    }
    return x11 ? Backend::x11 : Backend::none;
}

}  // namespace wystrand

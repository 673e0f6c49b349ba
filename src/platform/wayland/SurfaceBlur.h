#pragma once

#include <QRect>

struct org_kde_kwin_blur;
struct wl_surface;

namespace wystrand::wayland {

class WaylandClient;

// The blur behind a card's surface where the compositor offers one (KDE's blur protocol): the
// region asked, in the surface's coordinates, with its corners rounded like the card's. The
// region is kept, so that each new surface gets it too.
class SurfaceBlur {
public:
    explicit SurfaceBlur(WaylandClient& client) : client_(client) {}
    SurfaceBlur(const SurfaceBlur&) = delete;
    SurfaceBlur& operator=(const SurfaceBlur&) = delete;

    void setRegion(const QRect& region) { region_ = region; }
    // Asks for the region's blur behind `surface` (nullptr: no surface yet, nothing to ask).
    // True when the surface's next commit is needed for it to take effect.
    bool apply(wl_surface* surface);
    // Before the surface is destroyed.
    void release();

private:
    WaylandClient& client_;
    org_kde_kwin_blur* blur_ = nullptr;
    QRect region_;
};

}  // namespace wystrand::wayland

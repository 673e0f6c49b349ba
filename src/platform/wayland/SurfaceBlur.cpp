#include "platform/wayland/SurfaceBlur.h"

#include <wayland-client.h>

#include <utility>
#include <vector>

#include "core/card/CardGeometry.h"
#include "core/card/SurfaceGeometry.h"
#include "platform/wayland/WaylandClient.h"
#include "protocols/kde-blur-client.h"

namespace wystrand::wayland {

bool SurfaceBlur::apply(wl_surface* surface) {
    org_kde_kwin_blur_manager* manager = client_.blurManager();
    if (manager == nullptr || surface == nullptr) {
        return false;
    }
    const std::vector<QRect> bands = roundedRectBands(region_, cardCornerRadius);
    if (bands.empty()) {
        // No region at all would blur the whole surface.
        if (blur_ == nullptr) {
            return false;
        }
        org_kde_kwin_blur_manager_unset(manager, surface);
        release();
        return true;
    }
    if (blur_ == nullptr) {
        blur_ = org_kde_kwin_blur_manager_create(manager, surface);
    }
    wl_region* region = wl_compositor_create_region(client_.compositor());
    for (const QRect& band : bands) {
        wl_region_add(region, band.x(), band.y(), band.width(), band.height());
    }
    org_kde_kwin_blur_set_region(blur_, region);
    wl_region_destroy(region);
    // Takes effect with the surface's next commit.
    org_kde_kwin_blur_commit(blur_);
    return true;
}

void SurfaceBlur::release() {
    if (blur_ != nullptr) {
        org_kde_kwin_blur_release(std::exchange(blur_, nullptr));
    }
}

}  // namespace wystrand::wayland

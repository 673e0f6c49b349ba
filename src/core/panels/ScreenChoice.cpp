#include "core/panels/ScreenChoice.h"

#include <cstdint>

namespace wystrand {

namespace {

std::int64_t area(const QRect& r) {
    return r.isEmpty() ? 0 : std::int64_t{r.width()} * r.height();
}

}  // namespace

std::optional<std::size_t> chooseScreen(std::span<const QRect> screens,
                                        const std::optional<QRect>& activeWindow,
                                        const std::optional<QPoint>& pointer) {
    if (activeWindow) {
        std::optional<std::size_t> best;
        std::int64_t most = 0;
        for (std::size_t i = 0; i < screens.size(); ++i) {
            if (const std::int64_t shared = area(screens[i].intersected(*activeWindow));
                shared > most) {
                best = i;
                most = shared;
            }
        }
        if (best) {
            return best;
        }
    }
    if (pointer) {
        for (std::size_t i = 0; i < screens.size(); ++i) {
            if (screens[i].contains(*pointer)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

}  // namespace wystrand

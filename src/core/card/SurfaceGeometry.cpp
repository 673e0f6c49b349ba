#include "core/card/SurfaceGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace wystrand {

namespace {

// The columns left uncovered at each side of a row `depth` rows from the nearer horizontal
// edge: those whose centres lie outside the corner's circle.
int rowInset(int depth, double radius) {
    const double centre = depth + 0.5;
    if (centre >= radius) {
        return 0;
    }
    const double dy = radius - centre;
    const double edge = radius - std::sqrt(radius * radius - dy * dy);
    return std::max(0, static_cast<int>(std::ceil(edge - 0.5)));
}

}  // namespace

std::vector<QRect> roundedRectBands(const QRect& rect, double radius) {
    std::vector<QRect> bands;
    if (rect.isEmpty()) {
        return bands;
    }
    const int width = rect.width();
    const int height = rect.height();
    const double r = std::min({radius, width / 2.0, height / 2.0});
    if (!(r > 0)) {
        bands.push_back(rect);
        return bands;
    }
    // The top corners row by row, in bands of rows whose edges differ by a pixel at most; the
    // bottom corners mirror them, and the rows between, whole, make one band.
    struct Band {
        int first, end, inset;
    };
    std::vector<Band> corner;
    const int half = (height + 1) / 2;
    int depth = 0;
    while (depth < half) {
        int low = rowInset(depth, r);
        int high = low;
        int end = depth + 1;
        while (low > 0 && end < half) {
            const int next = rowInset(end, r);
            if (high - next > 1) {
                break;
            }
            low = next;  // the insets only shrink going down
            high = std::max(high, next);
            ++end;
        }
        if (low == 0) {
            break;
        }
        corner.push_back({depth, end, low});
        depth = end;
    }
    const auto add = [&](int first, int end, int inset) {
        if (width - 2 * inset > 0 && end > first) {
            bands.emplace_back(rect.x() + inset, rect.y() + first, width - 2 * inset, end - first);
        }
    };
    for (const Band& band : corner) {
        add(band.first, band.end, band.inset);
    }
    add(depth, height - depth, 0);
    for (auto band = corner.rbegin(); band != corner.rend(); ++band) {
        add(height - band->end, height - band->first, band->inset);
    }
    return bands;
}

double fractionalPixelRatio(int scale) {
    return scale > 0 ? static_cast<double>(scale) / fractionalScaleUnit : 1.0;
}

QSize fractionalBufferSize(QSize logical, int scale) {
    if (scale <= 0) {
        scale = fractionalScaleUnit;
    }
    // In integers, so that 1.5 x 81 gives 122 and never 121 by a rounding error.
    const auto side = [scale](int length) {
        const std::int64_t scaled = std::int64_t{std::max(0, length)} * scale;
        return static_cast<int>((scaled + fractionalScaleUnit - 1) / fractionalScaleUnit);
    };
    return {side(logical.width()), side(logical.height())};
}

}  // namespace wystrand

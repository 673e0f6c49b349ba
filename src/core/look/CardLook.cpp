#include "core/look/CardLook.h"

namespace wystrand {

namespace {

Rgba withOpacity(Rgba color, double opacity) {
    color.alpha *= opacity;
    return color;
}

constexpr Rgba rgb(int red, int green, int blue) {
    return {red / 255.0, green / 255.0, blue / 255.0, 1.0};
}

}  // namespace

Rgba CardLook::backgroundFor(bool composited) const {
    return withOpacity(background, composited ? 0.92 : 1.0);
}

Rgba CardLook::label(LabelLevel level) const {
    switch (level) {
        case LabelLevel::primary:
            return withOpacity(text, 0.85);
        case LabelLevel::secondary:
            return withOpacity(text, 0.50);
        case LabelLevel::tertiary:
            break;
    }
    return withOpacity(text, 0.26);
}

CardLook CardLook::from(const Rgba& window, const Rgba& text, const Rgba& separator) {
    return {window, text, withOpacity(text, 0.08), withOpacity(separator, 0.12)};
}

// Qt's own light palette (Fusion), which the cards have always used.
CardLook CardLook::light() {
    return from(rgb(0xef, 0xef, 0xef), rgb(0, 0, 0), rgb(0xb8, 0xb8, 0xb8));
}

// A dark translucent material: a near-black grey with a faint blue, near-white text.
CardLook CardLook::dark() {
    return from(rgb(0x2a, 0x2a, 0x2d), rgb(0xf2, 0xf2, 0xf2), rgb(0xa0, 0xa0, 0xa4));
}

}  // namespace wystrand

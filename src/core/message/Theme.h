#pragma once

namespace wystrand {

// sRGB components, 0.0 to 1.0.
struct Rgba {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// The colours of a variant (see NotifyVariant).
struct VariantTheme {
    Rgba accent;  // eyebrow, clock, primary button, progress fill
    Rgba tint;    // icon tile background

    friend bool operator==(const VariantTheme&, const VariantTheme&) = default;
};

}  // namespace wystrand

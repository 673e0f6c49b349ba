#pragma once

#include <QString>

namespace wystrand {

// sRGB components, 0.0 to 1.0.
struct Rgba {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// The glyph of a notification type; exact, case-sensitive match, "👁" for anything else.
QString typeEmoji(const QString& type);

struct VariantTheme {
    Rgba accent;  // eyebrow, clock, primary button, progress fill
    Rgba tint;    // icon tile background

    // Exact, case-sensitive; anything else gets the "gentle_reminder" theme.
    static VariantTheme get(const QString& variant);

    friend bool operator==(const VariantTheme&, const VariantTheme&) = default;
};

}  // namespace wystrand

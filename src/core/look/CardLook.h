#pragma once

#include "core/message/Theme.h"

namespace wystrand {

// What the desktop prefers; with no preference the card keeps the application's own palette.
enum class ColorScheme { noPreference, dark, light };

// The three emphasis levels of the card's labels.
enum class LabelLevel { primary, secondary, tertiary };

// The colours of the card's material for one appearance. The variant accents and tints are not
// part of it: they stay the same in every look.
struct CardLook {
    Rgba background;  // opaque; see backgroundFor
    Rgba text;        // opaque; each label level draws it at its own opacity
    Rgba border;
    Rgba divider;

    // Behind a compositor the material lets a little of the desktop through.
    Rgba backgroundFor(bool composited) const;
    Rgba label(LabelLevel level) const;

    // A look from a window colour, a text colour and a separator colour: the border is the text
    // at 0.08, the divider the separator at 0.12.
    static CardLook from(const Rgba& window, const Rgba& text, const Rgba& separator);
    static CardLook light();
    static CardLook dark();

    friend bool operator==(const CardLook&, const CardLook&) = default;
};

}  // namespace wystrand

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/look/CardLook.h"

namespace wystrand {
namespace {

// WCAG 2 relative luminance of an opaque sRGB colour, and the contrast ratio of two.
double luminance(const Rgba& c) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

double contrast(const Rgba& a, const Rgba& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `top` drawn over an opaque `bottom`.
Rgba over(const Rgba& top, const Rgba& bottom) {
    const auto mix = [&](double t, double b) { return t * top.alpha + b * (1 - top.alpha); };
    return {mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue),
            1.0};
}

// Every label level reads on both looks, opaque and behind a compositor over a black or a white
// desktop: the title at the AAA level for body text (7:1), the message above the level for large
// text (3:1), the detail and skip labels still set well apart from the card. On the light look the
// levels give 13.5, 3.9 and 1.9 opaque; on the dark one 9.7, 4.4 and 2.2.
TEST(CardLookTest, EveryLabelLevelReadsOnBothLooks) {
    const Rgba black{0, 0, 0, 1}, white{1, 1, 1, 1};
    const std::pair<LabelLevel, double> levels[] = {
        {LabelLevel::primary, 7.0}, {LabelLevel::secondary, 3.5}, {LabelLevel::tertiary, 1.8}};
    int look = 0;
    for (const CardLook& card : {CardLook::light(), CardLook::dark()}) {
        for (const Rgba& background :
             {card.backgroundFor(false), over(card.backgroundFor(true), black),
              over(card.backgroundFor(true), white)}) {
            for (const auto& [level, least] : levels) {
                EXPECT_GE(contrast(over(card.label(level), background), background), least)
                    << "look " << look << ", level " << int(level);
            }
        }
        ++look;
    }
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include "core/message/Theme.h"

namespace wystrand {
namespace {

// The lookups take the configuration's lower-case keywords as they are: no case folding, no
// trimming, and one fallback for everything else.
TEST(Theme, ExactMatchesAndOneFallback) {
    const QString eye = typeEmoji("eye");
    EXPECT_EQ(eye.toUcs4(), QList<uint>{0x1F441});
    EXPECT_NE(typeEmoji("sitting"), eye);
    for (const char* other : {"", "Sitting", "water ", "walrus", "achievement"}) {
        EXPECT_EQ(typeEmoji(other), eye) << '"' << other << '"';
    }
    // The one glyph of two code points: the emoji presentation selector keeps it in colour.
    EXPECT_EQ(typeEmoji("info").toUcs4(), (QList<uint>{0x2139, 0xFE0F}));

    const VariantTheme gentle = VariantTheme::get("gentle_reminder");
    EXPECT_NE(VariantTheme::get("warning"), gentle);
    for (const char* other : {"", "Warning", "danger", "warning "}) {
        EXPECT_EQ(VariantTheme::get(other), gentle) << '"' << other << '"';
    }
    // Opaque: the card applies its own opacity where it wants a lighter shade.
    for (const char* variant : {"warning", "achievement", "smart_suggestion", "gentle_reminder"}) {
        const VariantTheme theme = VariantTheme::get(variant);
        EXPECT_EQ(std::pair(theme.accent.alpha, theme.tint.alpha), std::pair(1.0, 1.0)) << variant;
    }
}

}  // namespace
}  // namespace wystrand

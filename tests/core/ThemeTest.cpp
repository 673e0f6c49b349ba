#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include "core/message/Theme.h"

namespace wystrand {
namespace {

QList<uint> codePoints(const char* type) {
    return typeEmoji(QString::fromUtf8(type)).toUcs4();
}

TEST(ThemeTypeEmoji, EachTypeHasItsExactCodePoints) {
    const std::pair<const char*, QList<uint>> cases[] = {
        {"sitting", {0x1F6B6}},     {"stress", {0x1F32C}},
        {"exercise", {0x1F4AA}},    {"app_feedback", {0x1F9E0}},
        {"info", {0x2139, 0xFE0F}}, {"morning_energy", {0x1F343}},
        {"water", {0x1F4A7}},       {"eye", {0x1F441}},
        {"achievement", {0x1F441}}, {"", {0x1F441}},
    };
    for (const auto& [type, expected] : cases) {
        EXPECT_EQ(codePoints(type), expected) << '"' << type << '"';
    }
}

TEST(ThemeTypeEmoji, MatchIsExactAndCaseSensitive) {
    for (const char* type : {"Sitting", "INFO", " water", "water ", "app-feedback", "stress\r"}) {
        EXPECT_EQ(codePoints(type), QList<uint>{0x1F441}) << '"' << type << '"';
    }
}

TEST(ThemeVariant, ColoursAreExactAndOpaque) {
    struct Case {
        const char* variant;
        Rgba accent;
        Rgba tint;
    };
    const Rgba green{0.08, 0.6, 0.27, 1.0};
    const Rgba paleGreen{0.84, 0.97, 0.88, 1.0};
    const Case cases[] = {
        {"warning", {0.9, 0.3, 0.1, 1.0}, {1.0, 0.88, 0.78, 1.0}},
        {"achievement", {0.52, 0.18, 0.86, 1.0}, {0.94, 0.88, 1.0, 1.0}},
        {"smart_suggestion", {0.28, 0.56, 0.92, 1.0}, {0.88, 0.93, 1.0, 1.0}},
        {"gentle_reminder", green, paleGreen},
        {"", green, paleGreen},
        {"Warning", green, paleGreen},
        {"ACHIEVEMENT", green, paleGreen},
        {"smart-suggestion", green, paleGreen},
    };
    for (const auto& c : cases) {
        const VariantTheme theme = VariantTheme::get(QString::fromUtf8(c.variant));
        SCOPED_TRACE(c.variant);
        EXPECT_DOUBLE_EQ(theme.accent.red, c.accent.red);
        EXPECT_DOUBLE_EQ(theme.accent.green, c.accent.green);
        EXPECT_DOUBLE_EQ(theme.accent.blue, c.accent.blue);
        EXPECT_DOUBLE_EQ(theme.accent.alpha, 1.0);
        EXPECT_DOUBLE_EQ(theme.tint.red, c.tint.red);
        EXPECT_DOUBLE_EQ(theme.tint.green, c.tint.green);
        EXPECT_DOUBLE_EQ(theme.tint.blue, c.tint.blue);
        EXPECT_DOUBLE_EQ(theme.tint.alpha, 1.0);
    }
}

}  // namespace
}  // namespace wystrand

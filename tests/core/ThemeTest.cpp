#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include "core/message/Theme.h"

namespace wystrand {
namespace {

TEST(Theme, ExactGlyphsAndColoursWithTheEyeAndGreenForTheRest) {
    const std::pair<const char*, QList<uint>> glyphs[] = {
        {"sitting", {0x1F6B6}},     {"stress", {0x1F32C}},
        {"exercise", {0x1F4AA}},    {"app_feedback", {0x1F9E0}},
        {"info", {0x2139, 0xFE0F}}, {"morning_energy", {0x1F343}},
        {"water", {0x1F4A7}},       {"eye", {0x1F441}},
        {"achievement", {0x1F441}}, {"", {0x1F441}},
        {"Sitting", {0x1F441}},     {"water ", {0x1F441}}};
    for (const auto& [type, expected] : glyphs) {
        EXPECT_EQ(typeEmoji(QString::fromUtf8(type)).toUcs4(), expected) << '"' << type << '"';
    }
    const Rgba green{0.08, 0.6, 0.27, 1.0}, paleGreen{0.84, 0.97, 0.88, 1.0};
    const struct {
        const char* variant;
        Rgba accent, tint;
    } themes[] = {
        // Matched exactly, case and all.
        {"warning", {0.9, 0.3, 0.1, 1.0}, {1.0, 0.88, 0.78, 1.0}},
        {"achievement", {0.52, 0.18, 0.86, 1.0}, {0.94, 0.88, 1.0, 1.0}},
        {"smart_suggestion", {0.28, 0.56, 0.92, 1.0}, {0.88, 0.93, 1.0, 1.0}},
        {"gentle_reminder", green, paleGreen},
        {"Warning", green, paleGreen},
    };
    for (const auto& c : themes) {
        const VariantTheme theme = VariantTheme::get(QString::fromUtf8(c.variant));
        EXPECT_EQ(theme.accent, c.accent) << c.variant;
        EXPECT_EQ(theme.tint, c.tint) << c.variant;
    }
}

}  // namespace
}  // namespace wystrand

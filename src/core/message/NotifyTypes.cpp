#include "core/message/NotifyTypes.h"

#include <algorithm>
#include <array>

namespace wystrand {
namespace {

using L = LocaleStrings;

// Name, eyebrow, accent and tint (sRGB, opaque). The last row is also the fallback.
constexpr std::array variants{
    NotifyVariant{u"warning", &L::eyebrowWarning, {{0.9, 0.3, 0.1, 1.0}, {1.0, 0.88, 0.78, 1.0}}},
    NotifyVariant{
        u"achievement", &L::eyebrowAchievement, {{0.52, 0.18, 0.86, 1.0}, {0.94, 0.88, 1.0, 1.0}}},
    NotifyVariant{
        u"smart_suggestion", &L::eyebrowSmart, {{0.28, 0.56, 0.92, 1.0}, {0.88, 0.93, 1.0, 1.0}}},
    NotifyVariant{
        u"gentle_reminder", &L::eyebrowGentle, {{0.08, 0.6, 0.27, 1.0}, {0.84, 0.97, 0.88, 1.0}}},
};
constexpr const NotifyVariant* warning = &variants[0];
constexpr const NotifyVariant* achievement = &variants[1];
constexpr const NotifyVariant* smart = &variants[2];
constexpr const NotifyVariant* gentle = &variants[3];

// Name, variant, title, message, accepting and deferring button, glyph, own eyebrow.
constexpr std::array types{
    NotifyType{u"eye", gentle, &L::titleEye, &L::messageEye, &L::acceptEye, &L::snoozeDefault,
               u"\U0001F441"},
    NotifyType{u"sitting", warning, &L::titleSitting, &L::messageSitting, &L::acceptSitting,
               &L::snoozeDefault, u"\U0001F6B6"},
    NotifyType{u"stress", warning, &L::titleStress, &L::messageStress, &L::acceptStress,
               &L::snoozeDefault, u"\U0001F32C"},
    NotifyType{u"exercise", gentle, &L::titleExercise, &L::messageExercise, &L::acceptDefault,
               &L::snoozeDefault, u"\U0001F4AA"},
    NotifyType{u"app_feedback", smart, &L::titleAppFeedback, &L::messageAppFeedback,
               &L::acceptAppFeedback, &L::snoozeAppFeedback, u"\U0001F9E0"},
    NotifyType{u"morning_energy", smart, &L::titleEye, &L::messageEye, &L::acceptDefault,
               &L::snoozeMorning, u"\U0001F343", &L::eyebrowMorning},
    NotifyType{u"water", gentle, &L::titleEye, &L::messageEye, &L::acceptDefault, &L::snoozeDefault,
               u"\U0001F4A7"},
    NotifyType{u"info", smart, &L::titleEye, &L::messageEye, &L::acceptDefault, &L::snoozeDefault,
               u"\u2139\uFE0F"},
    NotifyType{u"achievement", achievement, &L::titleEye, &L::messageEye, &L::acceptDefault,
               &L::snoozeDefault, u"\U0001F441"},
};

constexpr NotifyType otherType{
    u"", gentle, &L::titleEye, &L::messageEye, &L::acceptDefault, &L::snoozeDefault, u"\U0001F441"};

template <typename Row, std::size_t N>
const Row* find(const std::array<Row, N>& rows, const QString& name) {
    const auto it =
        std::find_if(rows.begin(), rows.end(), [&](const Row& row) { return name == row.name; });
    return it == rows.end() ? nullptr : &*it;
}

}  // namespace

const NotifyVariant& NotifyVariant::named(const QString& name) {
    const NotifyVariant* row = find(variants, name);
    return row ? *row : variants.back();
}

bool NotifyVariant::exists(const QString& name) {
    return find(variants, name) != nullptr;
}

const NotifyType& NotifyType::named(const QString& type) {
    const NotifyType* row = find(types, type);
    return row ? *row : otherType;
}

}  // namespace wystrand

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "core/message/Locale.h"
#include "core/message/ShowConfig.h"

namespace wystrand {
namespace {

ShowConfig config(const std::string& fields) {
    const auto m = PipeMsg::decode(R"({"id":"a")" + fields + "}");
    EXPECT_TRUE(m) << fields;
    return ShowConfig::from(m.value_or(PipeMsg{}));
}

// A type's own texts where it has them and the "eye" texts where it has not; the eyebrow
// follows the variant, but for "morning_energy".
TEST(ShowConfigTest, DefaultsFollowTheTypeInTwoLanguages) {
    using L = LocaleStrings;
    const struct {
        const char* type;
        const char* variant;
        QString L::*title, L::*message, L::*primary, L::*secondary, L::*eyebrow;
    } rows[] = {
        {"eye", "gentle_reminder", &L::titleEye, &L::messageEye, &L::acceptEye, &L::snoozeDefault,
         &L::eyebrowGentle},
        {"stress", "warning", &L::titleStress, &L::messageStress, &L::acceptStress,
         &L::snoozeDefault, &L::eyebrowWarning},
        {"app_feedback", "smart_suggestion", &L::titleAppFeedback, &L::messageAppFeedback,
         &L::acceptAppFeedback, &L::snoozeAppFeedback, &L::eyebrowSmart},
        {"morning_energy", "smart_suggestion", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeMorning, &L::eyebrowMorning},
        {"walrus", "gentle_reminder", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowGentle},
    };
    for (const std::string locale : {"en", "ja-JP"}) {
        const LocaleStrings ls = LocaleStrings::get(QString::fromStdString(locale));
        for (const auto& row : rows) {
            SCOPED_TRACE(locale + " / " + row.type);
            const ShowConfig c =
                config(R"(,"type":")" + std::string(row.type) + R"(","locale":")" + locale + '"');
            EXPECT_EQ(
                std::tie(c.notifyType, c.variant, c.title, c.message, c.primary, c.secondary,
                         c.eyebrow, c.skip),
                std::tuple(QString(row.type), QString(row.variant), ls.*row.title, ls.*row.message,
                           ls.*row.primary, ls.*row.secondary, ls.*row.eyebrow, ls.skip));
        }
    }
}

TEST(ShowConfigTest, KeywordsAreLowerCasedOnceAndFallBack) {
    using enum NotifyMode;
    const char *gentle = "gentle_reminder", *dflt = "default";
    const struct {
        const char* fields;
        NotifyMode mode;
        std::int64_t duration;
        const char *type, *variant, *placement;
    } cases[] = {
        {"", countdown, 20, "eye", gentle, dflt},
        {R"(,"mode":"ALERT")", alert, 90, "eye", gentle, dflt},
        {R"(,"mode":"info","placement":"Elevated")", info, 5, "eye", gentle, "elevated"},
        {R"(,"mode":" info","duration":0)", countdown, 0, "eye", gentle, dflt},
        {R"(,"mode":"alert","duration":-5)", alert, -5, "eye", gentle, dflt},
        {R"(,"type":"Sitting","variant":"Gentle_Reminder")", countdown, 20, "sitting", gentle,
         dflt},
        {R"(,"type":"stress","variant":"danger")", countdown, 20, "stress", "warning", dflt},
        {R"(,"type":"exercise","variant":"")", countdown, 20, "exercise", gentle, dflt},
        {R"(,"type":" sitting","placement":"elevated ")", countdown, 20, " sitting", gentle, dflt},
    };
    for (const auto& c : cases) {
        const ShowConfig got = config(c.fields);
        EXPECT_EQ(
            std::tie(got.mode, got.duration, got.notifyType, got.variant, got.placement, got.sound),
            std::tuple(c.mode, c.duration, QString(c.type), QString(c.variant),
                       QString(c.placement), true))
            << c.fields;
    }
    EXPECT_EQ(config("").locale, "vi-VN");
    EXPECT_EQ(config("").title, QString::fromUtf8("Th\xC6\xB0 gi\xC3\xA3n m\xE1\xBA\xAFt"));
}

TEST(ShowConfigTest, GivenTextsWinEvenWhenEmptyExceptDetail) {
    const ShowConfig c =
        config(R"(,"type":"morning_energy","variant":"achievement","title":"",)"
               R"("primary":"","skip":"","detail":"","sound":false,"locale":"EN-US")");
    EXPECT_EQ(std::tie(c.variant, c.eyebrow, c.title, c.primary, c.skip, c.secondary, c.locale),
              std::tuple(QString("achievement"), QString("PRODUCTIVITY TIP"), QString(), QString(),
                         QString(), QString("Remind me later"), QString("EN-US")));
    EXPECT_EQ(c.detail, std::nullopt);
    EXPECT_FALSE(c.sound);
    EXPECT_EQ(config(R"(,"detail":" ")").detail, " ");
}

}  // namespace
}  // namespace wystrand

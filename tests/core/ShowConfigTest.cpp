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

// A type's own texts where it has them and the eye's where it has not, in the request's language;
// the eyebrow follows the variant, but for morning_energy.
TEST(ShowConfigTest, DefaultsFollowTheTypeInTheRequestsLanguage) {
    const LocaleStrings ja = LocaleStrings::get("ja-JP");
    const ShowConfig stress = config(R"(,"type":"stress","locale":"ja-JP")");
    EXPECT_EQ(
        std::tie(stress.variant->name, stress.title, stress.primary, stress.eyebrow, stress.skip),
        std::tuple(QString("warning"), ja.titleStress, ja.acceptStress, ja.eyebrowWarning,
                   ja.skip));
    const ShowConfig other = config(R"(,"type":"walrus","locale":"ja-JP")");
    EXPECT_EQ(
        std::tie(other.variant->name, other.title, other.message, other.primary, other.secondary),
        std::tuple(QString("gentle_reminder"), ja.titleEye, ja.messageEye, ja.acceptDefault,
                   ja.snoozeDefault));
    const ShowConfig morning = config(R"(,"type":"morning_energy","locale":"en")");
    const LocaleStrings en = LocaleStrings::get("en");
    EXPECT_EQ(std::tie(morning.variant->name, morning.eyebrow, morning.secondary),
              std::tuple(QString("smart_suggestion"), en.eyebrowMorning, en.snoozeMorning));
}

TEST(ShowConfigTest, KeywordsAreLowerCasedOnceAndFallBack) {
    using enum NotifyMode;
    const char* gentle = "gentle_reminder";
    const Placement dflt = Placement::normal;
    const struct {
        const char* fields;
        NotifyMode mode;
        std::int64_t duration;
        const char *type, *variant;
        Placement placement;
    } cases[] = {
        {"", countdown, 20, "eye", gentle, dflt},
        {R"(,"mode":"ALERT")", alert, 90, "eye", gentle, dflt},
        {R"(,"mode":"info","placement":"Elevated")", info, 5, "eye", gentle, Placement::elevated},
        {R"(,"mode":" info","duration":0)", countdown, 0, "eye", gentle, dflt},
        {R"(,"mode":"alert","duration":-5)", alert, -5, "eye", gentle, dflt},
        {R"(,"type":"Sitting","variant":"Gentle_Reminder")", countdown, 20, "sitting", gentle,
         dflt},
        {R"(,"type":"stress","variant":"danger")", countdown, 20, "stress", "warning", dflt},
        {R"(,"type":"exercise","variant":"")", countdown, 20, "exercise", gentle, dflt},
        {R"(,"type":" sitting","placement":"elevated ")", countdown, 20, "", gentle, dflt},
    };
    for (const auto& c : cases) {
        const ShowConfig got = config(c.fields);
        EXPECT_EQ(
            std::tie(got.mode, got.duration, got.type->name, got.variant->name, got.placement,
                     got.sound),
            std::tuple(c.mode, c.duration, QString(c.type), QString(c.variant), c.placement, true))
            << c.fields;
    }
    EXPECT_EQ(config("").locale, "vi-VN");
    EXPECT_EQ(config("").title, QString::fromUtf8("Th\xC6\xB0 gi\xC3\xA3n m\xE1\xBA\xAFt"));
}

TEST(ShowConfigTest, GivenTextsWinEvenWhenEmptyExceptDetail) {
    const ShowConfig c =
        config(R"(,"type":"morning_energy","variant":"achievement","title":"",)"
               R"("primary":"","skip":"","detail":"","sound":false,"locale":"EN-US")");
    EXPECT_EQ(
        std::tie(c.variant->name, c.eyebrow, c.title, c.primary, c.skip, c.secondary, c.locale),
        std::tuple(QString("achievement"), QString("PRODUCTIVITY TIP"), QString(), QString(),
                   QString(), QString("Remind me later"), QString("EN-US")));
    EXPECT_EQ(c.detail, std::nullopt);
    EXPECT_FALSE(c.sound);
    EXPECT_EQ(config(R"(,"detail":" ")").detail, " ");
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <string>
#include <vector>

#include "core/message/Locale.h"

namespace wystrand {
namespace {

using L = LocaleStrings;

LocaleStrings get(const std::string& tag) {
    return LocaleStrings::get(QString::fromStdString(tag));
}

TEST(LocaleStrings, TagsMatchExactlyAfterLowerCasing) {
    // Each language's skip label and tags. The Kelvin sign lower-cases to "k"; full-width stays.
    const struct {
        const char* language;
        QString skip;
        std::vector<const char*> tags;
    } cases[] = {
        {"en", QStringLiteral(u"Skip"), {"en-us", "EN-US", "En"}},
        {"es", QStringLiteral(u"Saltar"), {"es-ES", "ES"}},
        {"zh", QStringLiteral(u"跳过"), {"zh-CN", "ZH"}},
        {"ko", QStringLiteral(u"건너뛰기"), {"ko-KR", "\u212Ao"}},
        {"ja", QStringLiteral(u"スキップ"), {"ja-JP", "JA"}},
        {"vi-VN", QStringLiteral(u"Bỏ qua"), {"en_US", " en", "", "vi", "zh-TW", "\uFF25\uFF2E"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(get(c.language).skip, c.skip) << c.language;
        for (const char* tag : c.tags) {
            EXPECT_EQ(get(tag), get(c.language)) << '"' << tag << '"';
        }
    }
}

TEST(LocaleStrings, EveryTextIsNonEmptyNfcWithTheExactPunctuation) {
    const QString L::*fields[] = {
        &L::titleEye,           &L::titleSitting,       &L::titleStress,    &L::titleExercise,
        &L::titleAppFeedback,   &L::messageEye,         &L::messageSitting, &L::messageStress,
        &L::messageExercise,    &L::messageAppFeedback, &L::acceptEye,      &L::acceptSitting,
        &L::acceptStress,       &L::acceptAppFeedback,  &L::acceptDefault,  &L::snoozeAppFeedback,
        &L::snoozeMorning,      &L::snoozeDefault,      &L::skip,           &L::eyebrowWarning,
        &L::eyebrowAchievement, &L::eyebrowSmart,       &L::eyebrowGentle,  &L::eyebrowMorning};
    const QChar fullWidthComma(0xFF0C), ideographicComma(0x3001);
    for (const std::string tag : {"en", "es", "vi-VN", "zh", "ko", "ja"}) {
        const LocaleStrings ls = get(tag);
        for (const auto field : fields) {
            const QString& text = ls.*field;
            SCOPED_TRACE(tag + ": " + text.toStdString());
            EXPECT_FALSE(text.isEmpty());
            EXPECT_EQ(text, text.normalized(QString::NormalizationForm_C));
            // Chinese and Japanese each use their own comma only.
            EXPECT_FALSE((tag == "zh" || tag == "ja") && text.contains(QLatin1Char(',')));
            EXPECT_FALSE(tag == "zh" && text.contains(ideographicComma));
            EXPECT_FALSE(tag == "ja" && text.contains(fullWidthComma));
        }
    }
    EXPECT_EQ(get("en").messageEye, QStringLiteral(u"Look 6 m away \u2014 away from the screen"));
    EXPECT_TRUE(get("zh").messageEye.contains(fullWidthComma));
    EXPECT_TRUE(get("ja").messageEye.contains(ideographicComma));
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "core/message/Locale.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace wystrand {
namespace {

using L = LocaleStrings;

constexpr std::array<QString L::*, 24> kFields{
    &L::titleEye,           &L::titleSitting,       &L::titleStress,    &L::titleExercise,
    &L::titleAppFeedback,   &L::messageEye,         &L::messageSitting, &L::messageStress,
    &L::messageExercise,    &L::messageAppFeedback, &L::acceptEye,      &L::acceptSitting,
    &L::acceptStress,       &L::acceptAppFeedback,  &L::acceptDefault,  &L::snoozeAppFeedback,
    &L::snoozeMorning,      &L::snoozeDefault,      &L::skip,           &L::eyebrowWarning,
    &L::eyebrowAchievement, &L::eyebrowSmart,       &L::eyebrowGentle,  &L::eyebrowMorning,
};

// One tag per language, and the language's skip label to recognise it by.
struct Language {
    const char* tag;
    QString skip;
};

const std::array<Language, 6>& languages() {
    static const std::array<Language, 6> all{{
        {"en", QStringLiteral(u"Skip")},
        {"es", QStringLiteral(u"Saltar")},
        {"vi-VN", QStringLiteral(u"Bỏ qua")},
        {"zh", QStringLiteral(u"跳过")},
        {"ko", QStringLiteral(u"건너뛰기")},
        {"ja", QStringLiteral(u"スキップ")},
    }};
    return all;
}

LocaleStrings get(const char* tag) {
    return LocaleStrings::get(QString::fromUtf8(tag));
}

TEST(LocaleStrings, TagsMatchExactlyAfterLowerCasing) {
    // The Kelvin sign lower-cases to "k" under the full Unicode mapping; full-width letters
    // stay full-width.
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"en", {"en-us", "EN-US", "en-US", "En"}},
        {"es", {"es-ES", "ES"}},
        {"zh", {"zh-CN", "ZH"}},
        {"ko", {"ko-KR", "Ko", "\u212Ao"}},
        {"ja", {"ja-JP", "JA"}},
        {"vi-VN",
         {"en-GB", "en_US", "en_us", " en", "en ", "en\t", "", "vi", "fr-fr", "zh-TW", "zh-Hant",
          "es-mx", "ja_JP", "ko-kp", "\uFF25\uFF2E"}},
    };
    for (const auto& [language, tags] : cases) {
        for (const char* tag : tags) {
            EXPECT_EQ(get(tag), get(language)) << '"' << tag << '"';
        }
    }
    for (const auto& language : languages()) {
        EXPECT_EQ(get(language.tag).skip, language.skip) << language.tag;
    }
}

TEST(LocaleStrings, EveryTextIsNonEmptyTrimmedNfc) {
    for (const auto& language : languages()) {
        const LocaleStrings ls = get(language.tag);
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            const QString& text = ls.*kFields[i];
            SCOPED_TRACE(std::string(language.tag) + " field " + std::to_string(i + 1));
            EXPECT_FALSE(text.isEmpty());
            EXPECT_EQ(text, text.normalized(QString::NormalizationForm_C));
            EXPECT_EQ(text, text.trimmed());
            EXPECT_FALSE(text.contains(QChar(0xFFFD)));
        }
    }
}

TEST(LocaleStrings, SpecialPunctuationIsTheExactCodePoint) {
    EXPECT_EQ(get("en").messageEye, QStringLiteral(u"Look 6 m away ") + QChar(0x2014) +
                                        QStringLiteral(u" away from the screen"));

    const QChar fullWidthComma(0xFF0C);
    const QChar ideographicComma(0x3001);
    EXPECT_TRUE(get("zh").messageEye.contains(fullWidthComma));
    EXPECT_TRUE(get("zh").messageStress.contains(fullWidthComma));
    EXPECT_TRUE(get("ja").messageEye.contains(ideographicComma));
    EXPECT_TRUE(get("ja").acceptAppFeedback.contains(ideographicComma));
    for (const char* tag : {"zh", "ja"}) {
        const LocaleStrings ls = get(tag);
        for (const auto field : kFields) {
            EXPECT_FALSE((ls.*field).contains(QLatin1Char(','))) << tag;
            EXPECT_FALSE(
                (ls.*field).contains(tag == std::string("zh") ? ideographicComma : fullWidthComma))
                << tag;
        }
    }
}

TEST(LocaleStrings, SpotChecks) {
    struct Case {
        const char* tag;
        QString L::*field;
        QString text;
    };
    const Case cases[] = {
        {"en", &L::titleStress, QStringLiteral(u"You've been at it a while")},
        {"en", &L::eyebrowMorning, QStringLiteral(u"PRODUCTIVITY TIP")},
        {"es", &L::titleSitting, QStringLiteral(u"Levántate y muévete")},
        {"es", &L::acceptAppFeedback, QStringLiteral(u"Sí, correcto")},
        {"es", &L::eyebrowMorning, QStringLiteral(u"ENERGÍA MATUTINA")},
        {"vi-VN", &L::titleAppFeedback, QStringLiteral(u"Cá nhân hóa gợi ý")},
        {"vi-VN", &L::messageStress, QStringLiteral(u"Hít thở chậm, thả lỏng một chút")},
        {"vi-VN", &L::eyebrowWarning, QStringLiteral(u"CẦN CHÚ Ý")},
        {"zh", &L::titleStress, QStringLiteral(u"连续工作了一段时间")},
        {"zh", &L::messageAppFeedback, QStringLiteral(u"确认您的工作类别，让应用更好地学习")},
        {"zh", &L::eyebrowGentle, QStringLiteral(u"温馨提示")},
        {"ko", &L::titleSitting, QStringLiteral(u"일어서서 움직이세요")},
        {"ko", &L::messageEye, QStringLiteral(u"6미터 거리를 바라보며 화면에서 눈을 돌리세요")},
        {"ko", &L::eyebrowMorning, QStringLiteral(u"아침 에너지")},
        {"ja", &L::titleEye, QStringLiteral(u"目の休憩")},
        {"ja", &L::acceptDefault, QStringLiteral(u"実行する")},
        {"ja", &L::eyebrowMorning, QStringLiteral(u"朝のエネルギー")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(get(c.tag).*c.field, c.text) << c.tag;
    }

    const LocaleStrings vi = get("vi-VN");
    EXPECT_EQ(vi.eyebrowSmart, vi.eyebrowMorning);
    EXPECT_EQ(get("zh").eyebrowWarning, get("ja").eyebrowWarning);
    EXPECT_EQ(get("zh").eyebrowWarning, QStringLiteral(u"注意"));
}

}  // namespace
}  // namespace wystrand

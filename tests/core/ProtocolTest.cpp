#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "core/message/Locale.h"
#include "core/message/Protocol.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace wystrand {
namespace {

std::optional<PipeMsg> decode(const std::string& line) {
    return PipeMsg::decode(line);
}

// ---- Decoding ----------------------------------------------------------------------------------

TEST(ProtocolDecode, EveryKeyLandsInItsOwnField) {
    const auto m = decode(
        R"({"id":"i","op":"o","ev":"e","code":-7,"mode":"m","type":"t","locale":"l",)"
        R"("eyebrow":"eb","title":"ti","message":"me","primary":"pr","secondary":"se",)"
        R"("skip":"sk","detail":"de","placement":"pl","duration":42,"sound":false,"variant":"va"})");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, "i");
    EXPECT_EQ(m->op, "o");
    EXPECT_EQ(m->ev, "e");
    EXPECT_EQ(m->code, -7);
    EXPECT_EQ(m->mode, "m");
    EXPECT_EQ(m->type, "t");
    EXPECT_EQ(m->locale, "l");
    EXPECT_EQ(m->eyebrow, "eb");
    EXPECT_EQ(m->title, "ti");
    EXPECT_EQ(m->message, "me");
    EXPECT_EQ(m->primary, "pr");
    EXPECT_EQ(m->secondary, "se");
    EXPECT_EQ(m->skip, "sk");
    EXPECT_EQ(m->detail, "de");
    EXPECT_EQ(m->placement, "pl");
    EXPECT_EQ(m->duration, 42);
    EXPECT_EQ(m->sound, false);
    EXPECT_EQ(m->variant, "va");
}

TEST(ProtocolDecode, PingAloneLeavesEverythingElseAbsent) {
    PipeMsg expected;
    expected.op = QStringLiteral("ping");
    EXPECT_EQ(decode(R"({"op":"ping"})"), expected);
    EXPECT_EQ(decode("{}"), PipeMsg{});
}

TEST(ProtocolDecode, NullIsAbsentAndEmptyTextIsPresent) {
    const char* const keys[] = {"id",       "op",        "ev",      "code",   "mode",
                                "type",     "locale",    "eyebrow", "title",  "message",
                                "primary",  "secondary", "skip",    "detail", "placement",
                                "duration", "sound",     "variant"};
    for (const char* key : keys) {
        EXPECT_EQ(decode(std::string(R"({")") + key + R"(":null})"), PipeMsg{}) << key;
    }
    const auto empty = decode(R"({"title":""})");
    ASSERT_TRUE(empty);
    ASSERT_TRUE(empty->title);
    EXPECT_TRUE(empty->title->isEmpty());
}

struct NumberCase {
    const char* literal;
    std::optional<std::int64_t> value;  // nullopt: the record must fail
};

TEST(ProtocolDecode, CodeAndDurationAreWholeNumbersInSigned64BitRange) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const NumberCase cases[] = {
        {"30", 30},
        {"30.0", 30},
        {"3e1", 30},
        {"3E+1", 30},
        {"300e-1", 30},
        {"0.3e2", 30},
        {"-0", 0},
        {"-0.0", 0},
        {"0e999999999999999999999", 0},
        {"-5", -5},
        {"9223372036854775807", kMax},
        {"9223372036854775807.000", kMax},
        {"-9223372036854775808", kMin},
        {"-9.223372036854775808e18", kMin},
        {"1.5", std::nullopt},
        {"-0.5", std::nullopt},
        {"1e-1", std::nullopt},
        {"1.0000000000000000001", std::nullopt},
        {"9223372036854775808", std::nullopt},
        {"9.223372036854775808e18", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"18446744073709551616", std::nullopt},
        {"1e19", std::nullopt},
        {"1e300", std::nullopt},
        {"1e400", std::nullopt},
        {"-1e400", std::nullopt},
        {"1e-400", std::nullopt},
        {"\"30\"", std::nullopt},
        {"true", std::nullopt},
        {"[30]", std::nullopt},
        {"{\"v\":30}", std::nullopt},
    };
    for (const char* key : {"code", "duration"}) {
        for (const auto& c : cases) {
            const auto m = decode(std::string(R"({")") + key + "\":" + c.literal + "}");
            SCOPED_TRACE(std::string(key) + " = " + c.literal);
            ASSERT_EQ(m.has_value(), c.value.has_value());
            if (m) {
                EXPECT_EQ(key == std::string("code") ? m->code : m->duration, c.value);
            }
        }
    }
}

TEST(ProtocolDecode, WrongTypeForAnyKnownKeyFailsTheWholeRecord) {
    // Each line also carries a valid id, so only the wrong type can make it fail.
    const char* const lines[] = {
        R"({"id":"a","title":5})",
        R"({"id":"a","title":true})",
        R"({"id":"a","title":["x"]})",
        R"({"id":"a","title":{"x":"y"}})",
        R"({"id":"a","op":0})",
        R"({"id":"a","variant":false})",
        R"({"id":7})",
        R"({"id":"a","locale":1.5})",
        R"({"id":"a","sound":1})",
        R"({"id":"a","sound":0})",
        R"({"id":"a","sound":"true"})",
        R"({"id":"a","sound":[]})",
        R"({"id":"a","duration":"30"})",
        R"({"id":"a","code":false})",
    };
    for (const char* line : lines) {
        EXPECT_FALSE(decode(line)) << line;
    }
    for (const char* flag : {"true", "false"}) {
        const auto m = decode(std::string(R"({"sound":)") + flag + "}");
        ASSERT_TRUE(m) << flag;
        EXPECT_EQ(m->sound, std::string(flag) == "true");
    }
}

TEST(ProtocolDecode, UnknownAndMiscasedKeysAreIgnoredWhateverTheirValues) {
    PipeMsg expected;
    expected.id = QStringLiteral("a");
    const char* const lines[] = {
        R"({"id":"a","Title":5,"TYPE":[1,2],"sound ":7,"extra":{"title":1}})",
        R"({"x":[1,{"id":"nested"}],"id":"a"})",
        R"({"x":{"id":5,"sound":"no"},"id":"a","y":null})",
        R"({"id":"a","":"","\u0069d":"escaped keys still match","zz":[[[[]]]]})",
    };
    EXPECT_EQ(decode(lines[0]), expected);
    EXPECT_EQ(decode(lines[1]), expected);
    EXPECT_EQ(decode(lines[2]), expected);
    // "\u0069d" is the key "id" written with an escape: it is the same key, and the last one.
    const auto escaped = decode(lines[3]);
    ASSERT_TRUE(escaped);
    EXPECT_EQ(escaped->id, "escaped keys still match");
}

TEST(ProtocolDecode, LastOfDuplicateKeysCounts) {
    EXPECT_EQ(decode(R"({"title":"a","title":"b"})")->title, "b");
    EXPECT_EQ(decode(R"({"title":5,"title":"b"})")->title, "b");
    EXPECT_EQ(decode(R"({"title":"a","title":null})"), PipeMsg{});
    EXPECT_EQ(decode(R"({"sound":1,"sound":false})")->sound, false);
    EXPECT_EQ(decode(R"({"code":[1],"code":2})")->code, 2);
    EXPECT_FALSE(decode(R"({"title":"a","title":5})"));
    EXPECT_FALSE(decode(R"({"code":1,"code":1.5})"));
}

TEST(ProtocolDecode, OnlyOneObjectSurroundedByWhitespaceIsARecord) {
    const char* const rejected[] = {
        "",
        " ",
        "null",
        "true",
        "0",
        "\"x\"",
        "[]",
        R"([{"id":"a"}])",
        "{",
        R"({"id":"a")",
        "{}{}",
        "{} x",
        R"({"id":"a"},)",
        "{'id':'a'}",
        R"({"id":"a",})",
        "{id:1}",
        "/**/{}",
        R"({"id":"a\x"})",
    };
    for (const char* line : rejected) {
        EXPECT_FALSE(decode(line)) << line;
    }
    // A raw NUL byte, which a careless lexer treats as the end of the input.
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{}\0", 3)));
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{\"id\":\"a\"}\0{\"x", 14)));
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{\"id\":\"a\0\"}", 11)));
    EXPECT_TRUE(decode(" \t{\"id\":\"a\"} \r"));
    EXPECT_TRUE(decode("{}\r"));
    EXPECT_TRUE(decode("\n{}\n"));
}

TEST(ProtocolDecode, TextMustBeValidUnicode) {
    EXPECT_FALSE(decode("{\"title\":\"caf\xC3\"}"));
    EXPECT_FALSE(decode("{\"title\":\"\xC0\xAF\"}"));          // overlong
    EXPECT_FALSE(decode("{\"title\":\"\xED\xA0\x80\"}"));      // encoded surrogate
    EXPECT_FALSE(decode("{\"title\":\"\xF4\x90\x80\x80\"}"));  // above U+10FFFF
    EXPECT_FALSE(decode("{\"other\":\"\xFF\"}"));              // also in ignored values
    EXPECT_FALSE(decode(R"({"title":"\ud800"})"));
    EXPECT_FALSE(decode(R"({"title":"\udc00x"})"));
    EXPECT_FALSE(decode(R"({"title":"\ud800\u0041"})"));

    const auto ok = decode(R"({"title":"\ud83d\udc41 caf\u00e9 \u0000 \/"})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(*ok->title,
              QString::fromUtf8("\xF0\x9F\x91\x81 caf\xC3\xA9 ") + QChar(0) + QStringLiteral(" /"));
    EXPECT_EQ(decode("{\"title\":\"\xE2\x80\xA8\"}")->title, QString(QChar(0x2028)));
}

TEST(ProtocolDecode, SurvivesHostileLines) {
    constexpr std::size_t kDeep = 1'000'000;
    EXPECT_FALSE(decode(std::string(kDeep, '[')));
    EXPECT_FALSE(decode(std::string(kDeep, '[') + std::string(kDeep, ']')));
    EXPECT_FALSE(decode(R"({"x":)" + std::string(kDeep, '[')));

    std::string nested = R"({"x":)";
    for (std::size_t i = 0; i < 100'000; ++i) {
        nested += R"({"id":)";
    }
    nested += "1";
    nested += std::string(100'000, '}');
    nested += R"(,"id":"top"})";
    const auto deep = decode(nested);
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->id, "top");

    const std::string big(4u << 20, 'a');
    const auto large = decode(R"({"title":")" + big + R"(","other":")" + big + R"("})");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->title->size(), static_cast<qsizetype>(big.size()));
    EXPECT_FALSE(decode(R"({"title":")" + big));
    EXPECT_FALSE(decode(std::string(4u << 20, '\xFF')));
}

// ---- Encoding ----------------------------------------------------------------------------------

TEST(ProtocolEncode, EventsHaveExactBytes) {
    EXPECT_EQ(PipeMsg::ready(QStringLiteral("a")).encode(), R"({"id":"a","ev":"ready"})");
    EXPECT_EQ(PipeMsg::result(QStringLiteral("a"), 0).encode(),
              R"({"id":"a","ev":"result","code":0})");
    EXPECT_EQ(PipeMsg::result(QStringLiteral("a"), 2).encode(),
              R"({"id":"a","ev":"result","code":2})");
    EXPECT_EQ(PipeMsg::pong().encode(), R"({"ev":"pong"})");
    EXPECT_EQ(PipeMsg::heartbeat().encode(), R"({"ev":"hb"})");
    EXPECT_EQ(PipeMsg{}.encode(), "{}");
}

TEST(ProtocolEncode, WritesPresentFieldsInFieldOrder) {
    // Filled in reverse order: the output order must come from the record, not the caller.
    PipeMsg m;
    m.variant = QStringLiteral("v");
    m.sound = true;
    m.duration = std::numeric_limits<std::int64_t>::min();
    m.placement = QStringLiteral("p");
    m.detail = QString();
    m.title = QStringLiteral("t");
    m.code = std::numeric_limits<std::int64_t>::max();
    m.id = QStringLiteral("i");
    EXPECT_EQ(m.encode(),
              R"({"id":"i","code":9223372036854775807,"title":"t","detail":"",)"
              R"("placement":"p","duration":-9223372036854775808,"sound":true,"variant":"v"})");
    EXPECT_EQ(PipeMsg::decode(m.encode()), m);
}

TEST(ProtocolEncode, AwkwardTextRoundTripsOnOneLine) {
    QString text = QStringLiteral("line1\nline2\r\nquote\" back\\slash /solidus tab\t");
    for (char16_t c = 0; c < 0x20; ++c) {
        text += QChar(c);
    }
    text += QChar(0x7F);
    text += QString::fromUtf8("caf\xC3\xA9 \xE2\x80\x94 \xE7\x9C\xBC \xF0\x9F\x91\x81\xEF\xB8\x8F");
    text += QChar(0x2028);
    text += QChar(0x2029);

    PipeMsg m;
    m.id = QStringLiteral("id\n");
    m.title = text;
    m.message = QStringLiteral("\"}\n{\"op\":\"show\"");
    const std::string line = m.encode();
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    for (unsigned char c : line) {
        EXPECT_GE(c, 0x20) << "raw control byte in " << line;
    }
    EXPECT_EQ(PipeMsg::decode(line), m);

    // Any JSON reader sees the same keys in the same order.
    const auto parsed = nlohmann::ordered_json::parse(line);
    std::vector<std::string> keys;
    for (const auto& item : parsed.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "title", "message"}));
    EXPECT_EQ(parsed["title"].get<std::string>(), text.toStdString());
}

TEST(ProtocolEncode, UnpairedSurrogateStillGivesValidJson) {
    PipeMsg m;
    m.title = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    const std::string line = m.encode();
    const auto back = PipeMsg::decode(line);
    ASSERT_TRUE(back) << line;
    EXPECT_TRUE(back->title->startsWith(QLatin1Char('a')));
    EXPECT_TRUE(back->title->contains(QLatin1Char('b')));
}

// ---- NotifyMode --------------------------------------------------------------------------------

TEST(ProtocolNotifyMode, RawValuesAreExactAndCaseSensitive) {
    for (NotifyMode mode : {NotifyMode::alert, NotifyMode::info, NotifyMode::countdown}) {
        EXPECT_EQ(notifyModeFromRaw(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(NotifyMode::alert), "alert");
    EXPECT_EQ(rawValue(NotifyMode::info), "info");
    EXPECT_EQ(rawValue(NotifyMode::countdown), "countdown");
    for (const char* raw : {"Alert", "INFO", " info", "countdown ", "", "popup"}) {
        EXPECT_EQ(notifyModeFromRaw(QString::fromUtf8(raw)), std::nullopt) << raw;
    }
}

// ---- ShowConfig --------------------------------------------------------------------------------

PipeMsg show(const char* json) {
    auto m = PipeMsg::decode(json);
    EXPECT_TRUE(m) << json;
    return m.value_or(PipeMsg{});
}

using Text = QString LocaleStrings::*;

struct TypeRow {
    const char* type;
    const char* variant;
    Text title;
    Text message;
    Text primary;
    Text secondary;
    Text eyebrow;
};

TEST(ProtocolShowConfig, DefaultsFollowTheTypeInEveryLanguage) {
    using L = LocaleStrings;
    const TypeRow rows[] = {
        {"eye", "gentle_reminder", &L::titleEye, &L::messageEye, &L::acceptEye, &L::snoozeDefault,
         &L::eyebrowGentle},
        {"sitting", "warning", &L::titleSitting, &L::messageSitting, &L::acceptSitting,
         &L::snoozeDefault, &L::eyebrowWarning},
        {"stress", "warning", &L::titleStress, &L::messageStress, &L::acceptStress,
         &L::snoozeDefault, &L::eyebrowWarning},
        {"exercise", "gentle_reminder", &L::titleExercise, &L::messageExercise, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowGentle},
        {"app_feedback", "smart_suggestion", &L::titleAppFeedback, &L::messageAppFeedback,
         &L::acceptAppFeedback, &L::snoozeAppFeedback, &L::eyebrowSmart},
        {"morning_energy", "smart_suggestion", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeMorning, &L::eyebrowMorning},
        {"info", "smart_suggestion", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowSmart},
        {"achievement", "achievement", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowAchievement},
        {"water", "gentle_reminder", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowGentle},
        {"walrus", "gentle_reminder", &L::titleEye, &L::messageEye, &L::acceptDefault,
         &L::snoozeDefault, &L::eyebrowGentle},
    };
    for (const char* locale : {"en", "ja-JP"}) {
        const LocaleStrings ls = LocaleStrings::get(QString::fromUtf8(locale));
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(locale) + " / " + row.type);
            PipeMsg m;
            m.id = QStringLiteral("card");
            m.type = QString::fromUtf8(row.type);
            m.locale = QString::fromUtf8(locale);
            const ShowConfig c = ShowConfig::from(m);
            EXPECT_EQ(c.notifyType, row.type);
            EXPECT_EQ(c.variant, row.variant);
            EXPECT_EQ(c.title, ls.*row.title);
            EXPECT_EQ(c.message, ls.*row.message);
            EXPECT_EQ(c.primary, ls.*row.primary);
            EXPECT_EQ(c.secondary, ls.*row.secondary);
            EXPECT_EQ(c.eyebrow, ls.*row.eyebrow);
            EXPECT_EQ(c.skip, ls.skip);
            EXPECT_EQ(c.locale, locale);
        }
    }
}

TEST(ProtocolShowConfig, IdAloneGivesTheVietnameseEyeCountdown) {
    const LocaleStrings vi = LocaleStrings::get(QStringLiteral("vi-VN"));
    const ShowConfig c = ShowConfig::from(show(R"({"op":"show","id":"card-1"})"));
    EXPECT_EQ(c.id, "card-1");
    EXPECT_EQ(c.mode, NotifyMode::countdown);
    EXPECT_EQ(c.notifyType, "eye");
    EXPECT_EQ(c.locale, "vi-VN");
    EXPECT_EQ(c.eyebrow, vi.eyebrowGentle);
    EXPECT_EQ(c.title, vi.titleEye);
    EXPECT_EQ(c.message, vi.messageEye);
    EXPECT_EQ(c.primary, vi.acceptEye);
    EXPECT_EQ(c.secondary, vi.snoozeDefault);
    EXPECT_EQ(c.skip, vi.skip);
    EXPECT_EQ(c.detail, std::nullopt);
    EXPECT_EQ(c.placement, "default");
    EXPECT_EQ(c.duration, 20);
    EXPECT_TRUE(c.sound);
    EXPECT_EQ(c.variant, "gentle_reminder");
    EXPECT_EQ(c.title, QString::fromUtf8("Th\xC6\xB0 gi\xC3\xA3n m\xE1\xBA\xAFt"));
}

TEST(ProtocolShowConfig, ModeIsLowerCasedAndSetsTheDefaultDuration) {
    struct Case {
        const char* json;
        NotifyMode mode;
        std::int64_t duration;
    };
    const Case cases[] = {
        {R"({"id":"a","mode":"ALERT"})", NotifyMode::alert, 90},
        {R"({"id":"a","mode":"info"})", NotifyMode::info, 5},
        {R"({"id":"a","mode":"Countdown"})", NotifyMode::countdown, 20},
        {R"({"id":"a","mode":"popup"})", NotifyMode::countdown, 20},
        {R"({"id":"a","mode":" info"})", NotifyMode::countdown, 20},
        {R"({"id":"a","mode":""})", NotifyMode::countdown, 20},
        {R"({"id":"a","mode":"alert","duration":0})", NotifyMode::alert, 0},
        {R"({"id":"a","mode":"info","duration":-5})", NotifyMode::info, -5},
        {R"({"id":"a","duration":3600})", NotifyMode::countdown, 3600},
    };
    for (const auto& c : cases) {
        const ShowConfig config = ShowConfig::from(show(c.json));
        EXPECT_EQ(config.mode, c.mode) << c.json;
        EXPECT_EQ(config.duration, c.duration) << c.json;
    }
}

TEST(ProtocolShowConfig, TypeAndVariantAreLowerCasedOnceAndValidated) {
    struct Case {
        const char* json;
        const char* notifyType;
        const char* variant;
    };
    const Case cases[] = {
        {R"({"id":"a","type":"Sitting"})", "sitting", "warning"},
        {R"({"id":"a","variant":"Warning"})", "eye", "warning"},
        {R"({"id":"a","type":"stress","variant":"danger"})", "stress", "warning"},
        {R"({"id":"a","type":"exercise","variant":"danger"})", "exercise", "gentle_reminder"},
        {R"({"id":"a","type":"eye","variant":"SMART_SUGGESTION"})", "eye", "smart_suggestion"},
        {R"({"id":"a","type":"sitting","variant":"achievement"})", "sitting", "achievement"},
        {R"({"id":"a","type":"sitting","variant":""})", "sitting", "warning"},
        {R"({"id":"a","type":" sitting"})", " sitting", "gentle_reminder"},
        {R"({"id":"a","type":""})", "", "gentle_reminder"},
    };
    for (const auto& c : cases) {
        const ShowConfig config = ShowConfig::from(show(c.json));
        EXPECT_EQ(config.notifyType, c.notifyType) << c.json;
        EXPECT_EQ(config.variant, c.variant) << c.json;
    }
    // The variant never depends on the mode.
    for (NotifyMode mode : {NotifyMode::alert, NotifyMode::info, NotifyMode::countdown}) {
        EXPECT_EQ(ShowConfig::resolveVariant(std::nullopt, QStringLiteral("stress"), mode),
                  "warning");
        EXPECT_EQ(
            ShowConfig::resolveVariant(QStringLiteral("Achievement"), QStringLiteral("info"), mode),
            "achievement");
    }
}

TEST(ProtocolShowConfig, MorningEnergyEyebrowWinsOverTheVariant) {
    const LocaleStrings en = LocaleStrings::get(QStringLiteral("en"));
    const ShowConfig c = ShowConfig::from(
        show(R"({"id":"a","type":"morning_energy","variant":"achievement","locale":"en"})"));
    EXPECT_EQ(c.variant, "achievement");
    EXPECT_EQ(c.eyebrow, en.eyebrowMorning);
    EXPECT_EQ(c.eyebrow, "PRODUCTIVITY TIP");
}

TEST(ProtocolShowConfig, GivenTextsWinEvenWhenEmptyExceptDetail) {
    const ShowConfig empty = ShowConfig::from(
        show(R"({"id":"","eyebrow":"","title":"","message":"","primary":"","secondary":"",)"
             R"("skip":"","detail":"","locale":""})"));
    EXPECT_EQ(empty.id, "");
    for (const QString* text : {&empty.eyebrow, &empty.title, &empty.message, &empty.primary,
                                &empty.secondary, &empty.skip, &empty.locale}) {
        EXPECT_TRUE(text->isEmpty()) << text->toStdString();
    }
    EXPECT_EQ(empty.detail, std::nullopt);

    const ShowConfig given = ShowConfig::from(
        show(R"({"id":"x","type":"SITTING","eyebrow":"Eb","title":"T","message":"M",)"
             R"("primary":"P","secondary":"S","skip":"K","detail":" ","sound":false})"));
    EXPECT_EQ(given.eyebrow, "Eb");
    EXPECT_EQ(given.title, "T");
    EXPECT_EQ(given.message, "M");
    EXPECT_EQ(given.primary, "P");
    EXPECT_EQ(given.secondary, "S");
    EXPECT_EQ(given.skip, "K");
    EXPECT_EQ(given.detail, " ");
    EXPECT_FALSE(given.sound);
}

TEST(ProtocolShowConfig, PlacementIsElevatedOrDefault) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"id":"a"})", "default"},
        {R"({"id":"a","placement":"elevated"})", "elevated"},
        {R"({"id":"a","placement":"Elevated"})", "elevated"},
        {R"({"id":"a","placement":"top"})", "default"},
        {R"({"id":"a","placement":"elevated "})", "default"},
        {R"({"id":"a","placement":"DEFAULT"})", "default"},
    };
    for (const auto& [json, placement] : cases) {
        EXPECT_EQ(ShowConfig::from(show(json)).placement, placement) << json;
    }
}

TEST(ProtocolShowConfig, LocaleKeepsItsCaseAndSelectsTheTexts) {
    const ShowConfig c = ShowConfig::from(show(R"({"id":"a","locale":"EN-US"})"));
    EXPECT_EQ(c.locale, "EN-US");
    EXPECT_EQ(c.title, "Eye break");
    EXPECT_EQ(c.skip, "Skip");
    const ShowConfig fallback = ShowConfig::from(show(R"({"id":"a","locale":"en_US"})"));
    EXPECT_EQ(fallback.locale, "en_US");
    EXPECT_EQ(fallback.skip, LocaleStrings::get(QStringLiteral("vi-VN")).skip);
}

}  // namespace
}  // namespace wystrand

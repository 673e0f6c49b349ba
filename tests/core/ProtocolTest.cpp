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

PipeMsg show(const std::string& line) {
    auto m = decode(line);
    EXPECT_TRUE(m) << line;
    return m.value_or(PipeMsg{});
}

TEST(ProtocolDecode, EveryFieldRoundTripsInFieldOrder) {
    const std::string line =
        R"({"id":"i","op":"o","ev":"e","code":-7,"mode":"m","type":"t","locale":"l",)"
        R"("eyebrow":"eb","title":"ti","message":"me","primary":"pr","secondary":"se",)"
        R"("skip":"sk","detail":"","placement":"pl","duration":42,"sound":false,"variant":"va"})";
    const auto m = decode(line);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->encode(), line);
    EXPECT_EQ(m->code, -7);
    EXPECT_EQ(m->detail, "");  // present but empty is not absent
    EXPECT_EQ(m->sound, false);
}

TEST(ProtocolDecode, NullAndUnknownOrMiscasedKeysAreAbsent) {
    PipeMsg ping;
    ping.op = QStringLiteral("ping");
    for (const char* line : {
             R"({"op":"ping"})",
             R"({"op":"ping","title":null,"code":null,"sound":null,"Title":5,"TYPE":[1]})",
             R"({"x":[1,{"id":"nested"}],"op":"ping","y":{"id":5,"sound":"no"},"":null})",
             R"({"op":"ping","id":"a","id":null,"sound ":7})",
         }) {
        EXPECT_EQ(decode(line), ping) << line;
    }
    // An escaped key is the same key.
    EXPECT_EQ(decode(R"({"\u006fp":"ping"})"), ping);
}

struct NumberCase {
    const char* literal;
    std::optional<std::int64_t> value;  // nullopt: the record must fail
};

TEST(ProtocolDecode, CodeAndDurationAreWholeNumbersInSigned64BitRange) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const NumberCase cases[] = {{"30", 30},
                                {"30.0", 30},
                                {"3e1", 30},
                                {"300E-1", 30},
                                {"-0", 0},
                                {"-0.0", 0},
                                {"0e99999999999999999999", 0},
                                {"-5", -5},
                                {"9223372036854775807", kMax},
                                {"9223372036854775807.00", kMax},
                                {"-9223372036854775808", kMin},
                                {"-9.223372036854775808e18", kMin},
                                {"1.5", {}},
                                {"1e-1", {}},
                                {"1.0000000000000000001", {}},
                                {"9223372036854775808", {}},
                                {"9.223372036854775808e18", {}},
                                {"-9223372036854775809", {}},
                                {"18446744073709551616", {}},
                                {"1e300", {}},
                                {"-1e400", {}},
                                {"1e-400", {}},
                                {"\"30\"", {}},
                                {"true", {}},
                                {"[30]", {}},
                                {"{}", {}}};
    for (const char* key : {"code", "duration"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(key) + " = " + c.literal);
            const auto m = decode(std::string(R"({"id":"a",")") + key + "\":" + c.literal + "}");
            ASSERT_EQ(m.has_value(), c.value.has_value());
            if (m) {
                EXPECT_EQ(key == std::string("code") ? m->code : m->duration, c.value);
            }
        }
    }
}

TEST(ProtocolDecode, WrongTypeForAnyKnownKeyFailsTheWholeRecord) {
    for (const char* line :
         {R"({"id":"a","title":5})", R"({"id":"a","title":true})", R"({"id":"a","title":["x"]})",
          R"({"id":"a","title":{}})", R"({"id":7})", R"({"id":"a","variant":false})",
          R"({"id":"a","sound":1})", R"({"id":"a","sound":0})", R"({"id":"a","sound":"true"})",
          R"({"id":"a","duration":"30"})", R"({"id":"a","code":false})",
          // A good value after a bad one under another key does not save the record.
          R"({"title":5,"id":"a"})", R"({"sound":1,"op":"ping","id":"a"})",
          // Duplicates: the last one counts, for better or worse.
          R"({"id":"a","title":"a","title":5})", R"({"id":"a","code":1,"code":1.5})"}) {
        EXPECT_FALSE(decode(line)) << line;
    }
    EXPECT_EQ(decode(R"({"title":5,"title":"b"})")->title, "b");
    EXPECT_EQ(decode(R"({"sound":1,"sound":true})")->sound, true);
    EXPECT_EQ(decode(R"({"code":[1],"code":2})")->code, 2);
}

TEST(ProtocolDecode, OnlyOneObjectSurroundedByWhitespaceIsARecord) {
    for (const char* line : {"", " ", "null", "true", "0", "\"x\"", "[]", R"([{"id":"a"}])", "{",
                             R"({"id":"a")", "{}{}", "{} x", R"({"id":"a"},)", "{'id':'a'}",
                             R"({"id":"a",})", "{id:1}", "/**/{}", R"({"id":"a\x"})"}) {
        EXPECT_FALSE(decode(line)) << line;
    }
    // A raw NUL byte, which nlohmann's lexer on its own takes for the end of the input.
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{}\0", 3)));
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{\"id\":\"a\"}\0{\"x", 14)));
    EXPECT_TRUE(decode(" \t{\"id\":\"a\"} \r"));
    EXPECT_TRUE(decode("\n{}\n"));
}

TEST(ProtocolDecode, TextMustBeValidUnicode) {
    for (const char* line :
         {"{\"title\":\"caf\xC3\"}", "{\"title\":\"\xC0\xAF\"}", "{\"title\":\"\xED\xA0\x80\"}",
          "{\"title\":\"\xF4\x90\x80\x80\"}", "{\"other\":\"\xFF\"}", R"({"title":"\ud800"})",
          R"({"title":"\udc00x"})", R"({"title":"\ud800\u0041"})"}) {
        EXPECT_FALSE(decode(line)) << line;
    }
    const auto ok = decode(R"({"title":"\ud83d\udc41 caf\u00e9 \u0000 \/"})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(*ok->title,
              QString::fromUtf8("\xF0\x9F\x91\x81 caf\xC3\xA9 ") + QChar(0) + QStringLiteral(" /"));
}

TEST(ProtocolDecode, SurvivesHostileLines) {
    constexpr std::size_t kDeep = 1'000'000;
    EXPECT_FALSE(decode(std::string(kDeep, '[') + std::string(kDeep, ']')));
    EXPECT_FALSE(decode(R"({"x":)" + std::string(kDeep, '[')));

    std::string nested = R"({"x":)";
    for (int i = 0; i < 100'000; ++i) {
        nested += R"({"id":)";
    }
    nested += "1" + std::string(100'000, '}') + R"(,"id":"top"})";
    EXPECT_EQ(decode(nested)->id, "top");

    const std::string big(4u << 20, 'a');
    const auto large = decode(R"({"title":")" + big + R"(","other":")" + big + R"("})");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->title->size(), static_cast<qsizetype>(big.size()));
    EXPECT_FALSE(decode(R"({"title":")" + big));
    EXPECT_FALSE(decode(std::string(4u << 20, '\xFF')));
}

TEST(ProtocolEncode, EventsHaveExactBytes) {
    EXPECT_EQ(PipeMsg::ready(QStringLiteral("a")).encode(), R"({"id":"a","ev":"ready"})");
    EXPECT_EQ(PipeMsg::result(QStringLiteral("a"), 0).encode(),
              R"({"id":"a","ev":"result","code":0})");
    EXPECT_EQ(PipeMsg::pong().encode(), R"({"ev":"pong"})");
    EXPECT_EQ(PipeMsg::heartbeat().encode(), R"({"ev":"hb"})");
    EXPECT_EQ(PipeMsg{}.encode(), "{}");

    PipeMsg extremes;  // filled out of order: the output order comes from the record
    extremes.duration = std::numeric_limits<std::int64_t>::min();
    extremes.code = std::numeric_limits<std::int64_t>::max();
    extremes.sound = true;
    EXPECT_EQ(extremes.encode(),
              R"({"code":9223372036854775807,"duration":-9223372036854775808,"sound":true})");
}

TEST(ProtocolEncode, AwkwardTextRoundTripsOnOneLine) {
    QString text = QStringLiteral("line1\nline2\r\nquote\" back\\slash /solidus");
    for (char16_t c = 0; c <= 0x20; ++c) {
        text += QChar(c);
    }
    text += QString::fromUtf8("\x7F caf\xC3\xA9 \xE2\x80\x94 \xE7\x9C\xBC \xF0\x9F\x91\x81");
    text += QChar(0x2028);

    PipeMsg m;
    m.id = QStringLiteral("id\n");
    m.title = text;
    m.message = QStringLiteral("\"}\n{\"op\":\"show\"");
    const std::string line = m.encode();
    for (unsigned char c : line) {
        ASSERT_GE(c, 0x20) << "raw control byte in " << line;
    }
    EXPECT_EQ(PipeMsg::decode(line), m);

    // Another JSON reader sees the same keys, in the same order, with the same text.
    const auto parsed = nlohmann::ordered_json::parse(line);
    std::vector<std::string> keys;
    for (const auto& item : parsed.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "title", "message"}));
    EXPECT_EQ(parsed["title"].get<std::string>(), text.toStdString());

    // QString may hold unpaired surrogates; the line must still be valid JSON.
    m.title = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    EXPECT_TRUE(PipeMsg::decode(m.encode())) << m.encode();
}

TEST(ProtocolNotifyMode, RawValuesAreExactAndCaseSensitive) {
    for (NotifyMode mode : {NotifyMode::alert, NotifyMode::info, NotifyMode::countdown}) {
        EXPECT_EQ(notifyModeFromRaw(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(NotifyMode::countdown), "countdown");
    for (const char* raw : {"Alert", "INFO", " info", "", "popup"}) {
        EXPECT_EQ(notifyModeFromRaw(QString::fromUtf8(raw)), std::nullopt) << raw;
    }
}

using Text = QString LocaleStrings::*;

struct TypeRow {
    const char* type;
    const char* variant;
    Text title, message, primary, secondary, eyebrow;
};

TEST(ProtocolShowConfig, DefaultsFollowTheTypeInTwoLanguages) {
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
            const ShowConfig c =
                ShowConfig::from(show(std::string(R"({"id":"c","type":")") + row.type +
                                      R"(","locale":")" + locale + "\"}"));
            EXPECT_EQ(c.notifyType, row.type);
            EXPECT_EQ(c.variant, row.variant);
            EXPECT_EQ(c.title, ls.*row.title);
            EXPECT_EQ(c.message, ls.*row.message);
            EXPECT_EQ(c.primary, ls.*row.primary);
            EXPECT_EQ(c.secondary, ls.*row.secondary);
            EXPECT_EQ(c.eyebrow, ls.*row.eyebrow);
            EXPECT_EQ(c.skip, ls.skip);
        }
    }
}

TEST(ProtocolShowConfig, IdAloneGivesTheVietnameseEyeCountdown) {
    const LocaleStrings vi = LocaleStrings::get(QStringLiteral("vi-VN"));
    const ShowConfig c = ShowConfig::from(show(R"({"op":"show","id":"card-1"})"));
    ShowConfig expected;
    expected.id = QStringLiteral("card-1");
    expected.mode = NotifyMode::countdown;
    expected.notifyType = QStringLiteral("eye");
    expected.locale = QStringLiteral("vi-VN");
    expected.eyebrow = vi.eyebrowGentle;
    expected.title = QString::fromUtf8("Th\xC6\xB0 gi\xC3\xA3n m\xE1\xBA\xAFt");
    expected.message = vi.messageEye;
    expected.primary = vi.acceptEye;
    expected.secondary = vi.snoozeDefault;
    expected.skip = vi.skip;
    expected.placement = QStringLiteral("default");
    expected.duration = 20;
    expected.sound = true;
    expected.variant = QStringLiteral("gentle_reminder");
    EXPECT_EQ(c, expected);
}

TEST(ProtocolShowConfig, KeywordsAreLowerCasedOnceAndFallBack) {
    struct Case {
        const char* fields;
        NotifyMode mode;
        std::int64_t duration;
        const char* notifyType;
        const char* variant;
        const char* placement;
    };
    using enum NotifyMode;
    const Case cases[] = {
        {R"("mode":"ALERT")", alert, 90, "eye", "gentle_reminder", "default"},
        {R"("mode":"info","placement":"Elevated")", info, 5, "eye", "gentle_reminder", "elevated"},
        {R"("mode":"popup","placement":"top")", countdown, 20, "eye", "gentle_reminder", "default"},
        {R"("mode":" info","duration":0)", countdown, 0, "eye", "gentle_reminder", "default"},
        {R"("mode":"alert","duration":-5)", alert, -5, "eye", "gentle_reminder", "default"},
        {R"("type":"Sitting")", countdown, 20, "sitting", "warning", "default"},
        {R"("variant":"Warning")", countdown, 20, "eye", "warning", "default"},
        {R"("type":"stress","variant":"danger")", countdown, 20, "stress", "warning", "default"},
        {R"("type":"exercise","variant":"")", countdown, 20, "exercise", "gentle_reminder",
         "default"},
        {R"("type":"sitting","variant":"ACHIEVEMENT")", countdown, 20, "sitting", "achievement",
         "default"},
        {R"("type":" sitting","placement":"elevated ")", countdown, 20, " sitting",
         "gentle_reminder", "default"},
    };
    for (const auto& c : cases) {
        const ShowConfig config =
            ShowConfig::from(show(std::string(R"({"id":"a",)") + c.fields + "}"));
        SCOPED_TRACE(c.fields);
        EXPECT_EQ(config.mode, c.mode);
        EXPECT_EQ(config.duration, c.duration);
        EXPECT_EQ(config.notifyType, c.notifyType);
        EXPECT_EQ(config.variant, c.variant);
        EXPECT_EQ(config.placement, c.placement);
    }
    for (NotifyMode mode : {alert, info, countdown}) {
        EXPECT_EQ(ShowConfig::resolveVariant(std::nullopt, QStringLiteral("stress"), mode),
                  "warning");
    }
}

TEST(ProtocolShowConfig, GivenTextsWinEvenWhenEmptyExceptDetail) {
    const ShowConfig empty = ShowConfig::from(
        show(R"({"id":"","eyebrow":"","title":"","message":"","primary":"","secondary":"",)"
             R"("skip":"","detail":"","locale":""})"));
    for (const QString* text : {&empty.id, &empty.eyebrow, &empty.title, &empty.message,
                                &empty.primary, &empty.secondary, &empty.skip, &empty.locale}) {
        EXPECT_TRUE(text->isEmpty()) << text->toStdString();
    }
    EXPECT_EQ(empty.detail, std::nullopt);

    const ShowConfig given = ShowConfig::from(show(
        R"({"id":"x","type":"morning_energy","variant":"achievement","title":"T","detail":" ",)"
        R"("sound":false,"locale":"EN-US"})"));
    EXPECT_EQ(given.variant, "achievement");
    EXPECT_EQ(given.eyebrow, "PRODUCTIVITY TIP");  // morning energy's own, whatever the variant
    EXPECT_EQ(given.title, "T");
    EXPECT_EQ(given.secondary, "Remind me later");
    EXPECT_EQ(given.detail, " ");
    EXPECT_FALSE(given.sound);
    EXPECT_EQ(given.locale, "EN-US");
}

}  // namespace
}  // namespace wystrand

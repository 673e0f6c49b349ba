#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/context/Context.h"
#include "core/message/PipeMsg.h"

namespace wystrand {
namespace {

constexpr auto decode = &PipeMsg::decode;

TEST(PipeMsgDecode, FieldsRoundTripAndNullUnknownOrMiscasedKeysAreAbsent) {
    const std::string all =
        R"({"id":"i","op":"o","ev":"e","code":-7,"mode":"m","type":"t","locale":"l",)"
        R"("eyebrow":"eb","title":"ti","message":"me","primary":"pr","secondary":"se",)"
        R"("skip":"sk","detail":"","placement":"pl","duration":42,"sound":false,"variant":"va",)"
        R"("hold":true})";
    EXPECT_EQ(decode(all).value_or(PipeMsg{}).encode(), all);
    PipeMsg ping;
    ping.op = QStringLiteral("ping");
    for (const char* line : {
             R"({"op":"ping","title":null,"code":null,"sound":null,"Title":5,"TYPE":[1]})",
             R"({"x":[1,{"id":"nested"}],"op":"ping","y":{"id":5,"sound":"no"},"":null})",
             R"({"op":"ping","id":"a","id":null,"sound ":7})",
             R"( {"\u006fp":"ping"} )",
         }) {
        EXPECT_EQ(decode(line), ping) << line;
    }
    EXPECT_EQ(decode(R"({"title":5,"title":"b"})")->title, "b");
    EXPECT_EQ(decode(R"({"sound":1,"sound":true})")->sound, true);
    EXPECT_EQ(decode(R"({"code":[1],"code":2})")->code, 2);
}

TEST(PipeMsgDecode, CodeAndDurationAreWholeNumbersInSigned64BitRange) {
    for (const std::string key : {"code", "duration"}) {
        const auto value = [&](const std::string& literal) -> std::optional<std::int64_t> {
            const auto m = decode(R"({")" + key + "\":" + literal + "}");
            return m ? (key == "code" ? m->code : m->duration) : std::nullopt;
        };
        for (const char* literal : {"30", "30.0", "3e1", "300E-1"}) {
            EXPECT_EQ(value(literal), 30) << key << ' ' << literal;
        }
        EXPECT_EQ(value("0e99999999999999999999"), 0);
        EXPECT_EQ(value("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
        EXPECT_EQ(value("-9.223372036854775808e18"), std::numeric_limits<std::int64_t>::min());
        for (const char* literal : {"1.5", "1e-1", "1.0000000000000000001", "9223372036854775808",
                                    "9.223372036854775808e18", "-9223372036854775809", "1e300",
                                    "1e-400", "\"30\"", "true", "[30]", "{}"}) {
            EXPECT_EQ(value(literal), std::nullopt) << key << ' ' << literal;
        }
    }
}

TEST(PipeMsgDecode, RejectsWrongTypesNonObjectsAndInvalidUnicode) {
    for (const char* line :
         {// A wrong type for any known key fails the whole record, wherever it stands.
          R"({"id":"a","title":5})", R"({"id":7})", R"({"id":"a","variant":false})",
          R"({"sound":1,"op":"ping","id":"a"})", R"({"id":"a","title":"a","title":5})",
          R"({"op":"show","id":"a","hold":"true"})", R"({"op":"show","id":"a","hold":1})",
          // One object, and only whitespace around it.
          "", "null", "\"x\"", "[]", R"([{"id":"a"}])", "{", "{}{}", "{} x", R"({"id":"a",})",
          "{'id':'a'}", "/**/{}", R"({"id":"a\x"})",
          // Invalid UTF-8 (truncated, overlong, surrogate, above U+10FFFF), lone surrogates.
          "{\"title\":\"caf\xC3\"}", "{\"title\":\"\xC0\xAF\"}", "{\"title\":\"\xED\xA0\x80\"}",
          "{\"other\":\"\xF4\x90\x80\x80\"}", R"({"title":"\ud800"})",
          R"({"title":"\ud800\u0041"})"}) {
        EXPECT_FALSE(decode(line)) << line;
    }
    // nlohmann's lexer on its own takes a raw NUL for the end of the input.
    EXPECT_FALSE(PipeMsg::decode(std::string_view("{}\0", 3)));

    // No stack overflow on deep nesting.
    constexpr std::size_t kDeep = 1'000'000;
    EXPECT_FALSE(decode(std::string(kDeep, '[') + std::string(kDeep, ']')));
    EXPECT_FALSE(decode(R"({"x":)" + std::string(kDeep, '{')));
}

TEST(PipeMsgEncode, EventsHaveExactBytesAndTextsStayOnOneLine) {
    // ready, held, result, away and back: their bytes are checked as the link sends them.
    EXPECT_EQ(PipeMsg::pong().encode(), R"({"ev":"pong"})");
    EXPECT_EQ(PipeMsg::heartbeat().encode(), R"({"ev":"hb"})");
    EXPECT_EQ(PipeMsg::busyOrFree({.doNotDisturb = true, .inhibited = true}).encode(),
              R"({"ev":"busy","detail":"do-not-disturb,inhibited"})");
    EXPECT_EQ(PipeMsg::busyOrFree({.away = true}).encode(), R"({"ev":"free"})");
    PipeMsg m;
    m.title = QStringLiteral("quote\" back\\slash caf\u00e9 \u2028 \x1F\t\r\n\b\f") + QChar(0);
    const std::string line = m.encode();
    for (unsigned char c : line) {
        ASSERT_GE(c, 0x20) << "raw control byte in " << line;
    }
    EXPECT_EQ(PipeMsg::decode(line), m);
    // QString may hold unpaired surrogates; the line must still be valid JSON.
    m.title = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    EXPECT_TRUE(PipeMsg::decode(m.encode())) << m.encode();
}

}  // namespace
}  // namespace wystrand

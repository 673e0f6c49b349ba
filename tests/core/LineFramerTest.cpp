#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/link/LineFramer.h"

namespace wystrand {
namespace {

using Lines = std::vector<std::string>;

TEST(LineFramerTest, CutsTrimsAndDropsBlankLinesAcrossAndWithinChunks) {
    LineFramer framer;
    EXPECT_EQ(framer.feed(R"({"op":)"), Lines{});
    EXPECT_EQ(framer.feed("\"ping\"}\na\nb\n\nc\nd"), (Lines{R"({"op":"ping"})", "a", "b", "c"}));
    EXPECT_EQ(framer.feed("\ncaf\xC3"), Lines{"d"});
    EXPECT_EQ(framer.feed("\xA9\r\n \r x\t\n\r\n"), (Lines{"caf\xC3\xA9\r", "\r x", "\r"}));
    EXPECT_EQ(framer.feed("{\"op\":\"pi"), Lines{});
    framer.reset();
    EXPECT_EQ(framer.feed("ng\"}\nok\n"), (Lines{"ng\"}", "ok"}));

    // Only space separators (Zs) and tabs are trimmed, and lines left blank are dropped.
    const std::string nbsp = "\xC2\xA0", ideographic = "\xE3\x80\x80", thin = "\xE2\x80\x89";
    const std::string ogham = "\xE1\x9A\x80", narrow = "\xE2\x80\xAF";
    const std::string zwsp = "\xE2\x80\x8B", bom = "\xEF\xBB\xBF";  // not space separators
    EXPECT_EQ(framer.feed(nbsp + "\t x" + ideographic + thin + "\n" + ogham + "y z" + narrow +
                          "\na" + nbsp + "\tb\n" + zwsp + "x" + bom + "\n\vx\f\n\n \n\t\t\n" +
                          nbsp + ideographic + "\n"),
              (Lines{"x", "y z", "a" + nbsp + "\tb", zwsp + "x" + bom, "\vx\f"}));
}

TEST(LineFramerTest, DropsInvalidUtf8AndKeepsGoing) {
    // Overlong, surrogate, beyond U+10FFFF, stray or missing continuation (cut before the trim).
    for (const std::string bad :
         {"\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
          "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF", "a\x80z", "a\xC3z",
          "x\xE2\x82", "\xE2\x82 "}) {
        EXPECT_EQ(LineFramer().feed(bad + "\nok\n"), Lines{"ok"}) << testing::PrintToString(bad);
    }
    const std::string edges =
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(LineFramer().feed(edges + "\n"), Lines{edges});
}

// The work per byte fed stays bounded: neither a long line fed in chunks nor many short lines
// (searched from the buffer's start each time, or erased one by one) make it grow.
TEST(LineFramerTest, WorkIsLinearInTheBytesFed) {
    LineFramer framer;
    const std::string chunk(64, 'x');
    for (int i = 0; i < 4096; ++i) {
        ASSERT_TRUE(framer.feed(chunk).empty());
    }
    const Lines lines = framer.feed("\nnext");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 64u * 4096);
    EXPECT_EQ(framer.buffered(), 4u);
    std::size_t fed = 64 * 4096 + 5;
    EXPECT_LE(framer.work(), 3 * fed);

    std::string many;
    for (int i = 0; i < 10000; ++i) {
        many += "ab\n";
    }
    EXPECT_EQ(framer.feed(many + "tail").size(), 10000u);
    fed += many.size() + 4;
    EXPECT_LE(framer.work(), 3 * fed);
}

}  // namespace
}  // namespace wystrand

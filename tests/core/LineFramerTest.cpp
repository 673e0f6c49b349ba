#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/link/LineFramer.h"

namespace wystrand {
namespace {

using Lines = std::vector<std::string>;

TEST(LineFramerTest, CutsLinesAcrossChunks) {
    LineFramer framer;
    EXPECT_EQ(framer.feed(R"({"op":)"), Lines{});
    EXPECT_EQ(framer.feed(R"("ping"})"), Lines{});
    EXPECT_EQ(framer.buffered(), 13u);
    EXPECT_EQ(framer.feed("\n{\"op\""), Lines{R"({"op":"ping"})"});
    EXPECT_EQ(framer.buffered(), 5u);
    EXPECT_EQ(framer.feed(":1}\n"), Lines{R"({"op":1})"});
    EXPECT_EQ(framer.buffered(), 0u);

    // A multi-byte character split between two reads.
    EXPECT_EQ(framer.feed("caf\xC3"), Lines{});
    EXPECT_EQ(framer.feed("\xA9 \xE2\x82"), Lines{});
    EXPECT_EQ(framer.feed("\xAC\n"), Lines{"caf\xC3\xA9 \xE2\x82\xAC"});
}

TEST(LineFramerTest, SeveralLinesInOneChunkInOrder) {
    LineFramer framer;
    EXPECT_EQ(framer.feed("a\nb\n\nc\nd"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(framer.buffered(), 1u);
    EXPECT_EQ(framer.feed("\n"), Lines{"d"});
}

TEST(LineFramerTest, CarriageReturnStays) {
    LineFramer framer;
    EXPECT_EQ(framer.feed("{\"op\":\"ping\"}\r\n"), Lines{"{\"op\":\"ping\"}\r"});
    EXPECT_EQ(framer.feed("\r\n"), Lines{"\r"});
    EXPECT_EQ(framer.feed(" \r x\t\n"), Lines{"\r x"});
}

TEST(LineFramerTest, TrimsSpaceSeparatorsAndTabsOnly) {
    LineFramer framer;
    const std::string nbsp = "\xC2\xA0", ideographic = "\xE3\x80\x80", thin = "\xE2\x80\x89";
    const std::string ogham = "\xE1\x9A\x80", narrow = "\xE2\x80\xAF", math = "\xE2\x81\x9F";
    EXPECT_EQ(framer.feed(nbsp + "\t x" + ideographic + thin + "\n"), Lines{"x"});
    EXPECT_EQ(framer.feed(ogham + narrow + math + "y z" + ogham + narrow + math + "\n"),
              Lines{"y z"});
    // Inner blanks are kept.
    EXPECT_EQ(framer.feed("a" + nbsp + "\tb\n"), Lines{"a" + nbsp + "\tb"});

    // Zero width space, byte order mark, vertical tab and form feed are not space separators.
    const std::string zwsp = "\xE2\x80\x8B", bom = "\xEF\xBB\xBF";
    EXPECT_EQ(framer.feed(zwsp + "x" + bom + "\n"), Lines{zwsp + "x" + bom});
    EXPECT_EQ(framer.feed("\vx\f\n"), Lines{"\vx\f"});
    EXPECT_EQ(framer.feed(bom + "\n"), Lines{bom});
}

TEST(LineFramerTest, DropsBlankLines) {
    LineFramer framer;
    EXPECT_EQ(framer.feed("\n \n\t\t\n\xC2\xA0\xE3\x80\x80\nok\n"), Lines{"ok"});
}

TEST(LineFramerTest, DropsInvalidUtf8AndKeepsGoing) {
    const std::vector<std::string> invalid = {
        "\xC0\x80",          // overlong NUL
        "\xC1\xBF",          // overlong two-byte form
        "\xE0\x80\x80",      // overlong three-byte form
        "\xF0\x8F\xBF\xBF",  // overlong four-byte form
        "\xED\xA0\x80",      // high surrogate
        "\xED\xBF\xBF",      // low surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xFF",
        "a\x80z",       // stray continuation
        "a\xC3z",       // lead byte without its continuation
        "x\xE2\x82",    // truncated at the end of the line
        "\xE2\x82 \n",  // truncated before a space (the line is cut before the trim)
    };
    for (const auto& bad : invalid) {
        LineFramer framer;
        EXPECT_EQ(framer.feed(bad + "\nok\n"), Lines{"ok"}) << testing::PrintToString(bad);
    }

    // The boundaries themselves are valid.
    LineFramer framer;
    const std::string edges =
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80"
        "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(framer.feed(edges + "\n"), Lines{edges});
}

TEST(LineFramerTest, ResetDropsPartialLine) {
    LineFramer framer;
    EXPECT_EQ(framer.feed("{\"op\":\"pi"), Lines{});
    framer.reset();
    EXPECT_EQ(framer.buffered(), 0u);
    EXPECT_EQ(framer.feed("ng\"}\n{\"op\":\"ping\"}\n"), (Lines{"ng\"}", "{\"op\":\"ping\"}"}));
}

TEST(LineFramerTest, LongLineInSmallChunks) {
    LineFramer framer;
    const std::string chunk(4096, 'x');
    const int chunks = 1024;  // 4 MiB
    for (int i = 0; i < chunks; ++i) {
        ASSERT_TRUE(framer.feed(chunk).empty());
    }
    EXPECT_EQ(framer.buffered(), chunk.size() * chunks);
    const Lines lines = framer.feed("\nnext");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), chunk.size() * chunks);
    EXPECT_EQ(framer.buffered(), 4u);
}

TEST(LineFramerTest, ManyShortLinesInOneChunk) {
    LineFramer framer;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += std::to_string(i) + "\n";
    }
    const Lines lines = framer.feed(bytes);
    ASSERT_EQ(lines.size(), 200000u);
    EXPECT_EQ(lines.front(), "0");
    EXPECT_EQ(lines.back(), "199999");
    EXPECT_EQ(framer.buffered(), 0u);
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CliArg.h"

namespace wystrand {
namespace {

std::optional<std::string> pipeOf(std::vector<const char*> args) {
    args.insert(args.begin(), "/usr/bin/wystrand-notify");
    return cliArg(args, "--pipe");
}

TEST(CliArgTest, MissingFlagOrMissingValueGivesNothing) {
    EXPECT_EQ(pipeOf({}), std::nullopt);
    EXPECT_EQ(pipeOf({"--pipe"}), std::nullopt);
    EXPECT_EQ(pipeOf({"/a", "--pipe"}), std::nullopt);
    EXPECT_EQ(pipeOf({"--pipe=/a"}), std::nullopt);
    EXPECT_EQ(pipeOf({"--PIPE", "/a"}), std::nullopt);
    EXPECT_EQ(pipeOf({"-pipe", "/a"}), std::nullopt);
}

TEST(CliArgTest, FirstOccurrenceWinsAndValueIsTakenUnchanged) {
    EXPECT_EQ(pipeOf({"--pipe", "/a", "--pipe", "/b"}), "/a");
    EXPECT_EQ(pipeOf({"-x", "--pipe", "/a"}), "/a");
    EXPECT_EQ(pipeOf({"--pipe", "-x"}), "-x");
    EXPECT_EQ(pipeOf({"--pipe", "--pipe"}), "--pipe");
    EXPECT_EQ(pipeOf({"--pipe", ""}), "");
    EXPECT_EQ(pipeOf({"--pipe", " /a b\t"}), " /a b\t");
    EXPECT_EQ(pipeOf({"--pipe", "/tmp/\xff\xfe.sock"}), "/tmp/\xff\xfe.sock");
}

TEST(CliArgTest, ProgramPathIsAnElementLikeAnyOther) {
    const std::vector<const char*> args{"--pipe", "/a"};
    EXPECT_EQ(cliArg(args, "--pipe"), "/a");
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include "app/CliArg.h"

namespace wystrand {
namespace {

std::optional<std::string> pipeOf(std::vector<const char*> args) {
    args.insert(args.begin(), "/usr/bin/wystrand-notify");
    return cliArg(args, "--pipe");
}

TEST(CliArgTest, ValueAfterTheFirstExactFlagTakenUnchanged) {
    for (const auto& args : std::vector<std::vector<const char*>>{
             {}, {"--pipe"}, {"/a", "--pipe"}, {"--pipe=/a"}, {"--PIPE", "/a"}, {"-pipe", "/a"}}) {
        EXPECT_EQ(pipeOf(args), std::nullopt) << testing::PrintToString(args);
    }
    EXPECT_EQ(pipeOf({"--pipe", "/a", "--pipe", "/b"}), "/a");
    EXPECT_EQ(pipeOf({"-x", "--pipe", "/a"}), "/a");
    EXPECT_EQ(pipeOf({"--pipe", "--pipe"}), "--pipe");
    EXPECT_EQ(pipeOf({"--pipe", ""}), "");
    EXPECT_EQ(pipeOf({"--pipe", " /a b\t\xff"}), " /a b\t\xff");
}

}  // namespace
}  // namespace wystrand

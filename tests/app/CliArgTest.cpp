#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CliArg.h"

namespace wystrand {
namespace {

TEST(CliArgTest, ValueAfterTheFirstExactFlagTakenUnchanged) {
    using Args = std::vector<const char*>;
    for (const auto& [args, pipe] : std::vector<std::pair<Args, std::optional<std::string>>>{
             {{}, std::nullopt},
             {{"--pipe"}, std::nullopt},
             {{"/a", "--pipe"}, std::nullopt},
             {{"--pipe=/a"}, std::nullopt},
             {{"--PIPE", "/a"}, std::nullopt},
             {{"-pipe", "/a"}, std::nullopt},
             {{"--pipe", "/a", "--pipe", "/b"}, "/a"},
             {{"-x", "--pipe", "/a"}, "/a"},
             {{"--pipe", "--pipe"}, "--pipe"},
             {{"--pipe", ""}, ""},
             {{"--pipe", " /a b\t\xff"}, " /a b\t\xff"},
         }) {
        Args argv{"/usr/bin/wystrand-notify"};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_EQ(cliArg(argv, "--pipe"), pipe) << testing::PrintToString(args);
    }
}

}  // namespace
}  // namespace wystrand

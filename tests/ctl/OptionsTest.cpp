// The controller's command lines: the form of options, and what the options of show set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"
#include "tools/ctl/ShowCommand.h"

namespace wystrand::ctl {
namespace {

using Args = std::vector<std::string>;

// Runs parseCommandLine over `args` and keeps what it printed.
struct Parse {
    std::optional<int> status;
    std::string out, err;
};

Parse parse(const Args& args, std::span<const Option> options) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Parse result;
    result.status = parseCommandLine("test", "USAGE\n", argv, options);
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

class CommandLineTest : public ::testing::Test {
protected:
    Parse parse(const Args& args) { return ctl::parse(args, options_); }

    std::optional<std::string> socket_;
    bool json_ = false;
    const Option options_[2] = {textOption("socket", socket_), flagOption("json", json_)};
};

TEST_F(CommandLineTest, ValuesFollowAsTheNextArgumentOrAfterAnEqualsSign) {
    for (const auto& [args, socket] :
         std::vector<std::pair<Args, std::string>>{{{"--socket", "a"}, "a"},
                                                   {{"--socket=a=b"}, "a=b"},
                                                   {{"--socket="}, ""},
                                                   {{"--socket", "--json"}, "--json"},
                                                   {{"--socket", "a", "--socket=b"}, "b"}}) {
        socket_.reset();
        const Parse result = parse(args);
        EXPECT_EQ(result.status, std::nullopt) << result.err;
        EXPECT_EQ(socket_, socket) << args[0];
    }
    EXPECT_FALSE(json_);
    EXPECT_EQ(parse({"--json"}).status, std::nullopt);
    EXPECT_TRUE(json_);
}

TEST_F(CommandLineTest, AnythingElseIsAUsageErrorWithStatus64) {
    for (const auto& [args, error] : std::vector<std::pair<Args, std::string>>{
             {{"--bogus"}, "unknown option '--bogus'"},
             {{"--Socket", "a"}, "unknown option '--Socket'"},
             {{"-s", "a"}, "unexpected argument '-s'"},
             {{"--"}, "unexpected argument '--'"},
             {{"--json", "a"}, "unexpected argument 'a'"},
             {{"--socket"}, "option '--socket' needs a value"},
             {{"--json=yes"}, "option '--json' takes no value"},
             {{"--help=yes"}, "option '--help' takes no value"},
             {{"--help", "--bogus"}, "unknown option '--bogus'"}}) {
        const Parse result = parse(args);
        EXPECT_EQ(result.status, 64) << args[0];
        EXPECT_EQ(result.err, "wystrand-notify-ctl test: " + error + "\nUSAGE\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CommandLineTest, HelpPrintsTheUsageAndEndsWithStatus0) {
    const Parse result = parse({"--socket", "a", "--help", "--json"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "USAGE\n");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(json_);
}

class ShowOptionsTest : public ::testing::Test {
protected:
    Parse parse(const Args& args) { return ctl::parse(args, showOptions(asked_)); }

    ShowRequest asked_;
};

TEST_F(ShowOptionsTest, EachOptionSetsItsOwnFieldInEitherForm) {
    const std::string record =
        R"({"id":"i","mode":"m","type":"t","locale":"l","eyebrow":"e","title":"ti",)"
        R"("message":"me","primary":"p","secondary":"se","skip":"sk","detail":"d",)"
        R"("placement":"pl","duration":-7,"sound":false,"variant":"v"})";
    const Args spaced{"--mode",    "m",          "--type",      "t",  "--locale",   "l",
                      "--eyebrow", "e",          "--title",     "ti", "--message",  "me",
                      "--primary", "p",          "--secondary", "se", "--skip",     "sk",
                      "--detail",  "d",          "--placement", "pl", "--duration", "-7",
                      "--sound",   "--no-sound", "--variant",   "v",  "--id",       "i",
                      "--json",    "--agent",    "/a"};
    Args joined;
    for (std::size_t i = 0; i < spaced.size(); ++i) {
        const bool flag =
            spaced[i] == "--sound" || spaced[i] == "--no-sound" || spaced[i] == "--json";
        joined.push_back(flag ? spaced[i] : spaced[i] + '=' + spaced[i + 1]);
        i += flag ? 0 : 1;
    }
    for (const Args& args : {spaced, joined}) {
        asked_ = {};
        const Parse result = parse(args);
        EXPECT_EQ(result.status, std::nullopt) << result.err;
        EXPECT_EQ(asked_.record.encode(), record);
        EXPECT_TRUE(asked_.json);
        EXPECT_EQ(asked_.agent, "/a");
    }
    EXPECT_EQ(parse({"--no-sound", "--sound"}).status, std::nullopt);
    EXPECT_EQ(asked_.record.sound, true);
}

// The options follow the record's fields, the help is written by hand: a new field must be in it.
TEST_F(ShowOptionsTest, TheHelpDescribesEveryOption) {
    char help[] = "--help";
    char* const args[] = {help};
    testing::internal::CaptureStdout();
    EXPECT_EQ(findCommand("show")->run(std::span<char* const>(args)), 0);
    const std::string usage = testing::internal::GetCapturedStdout();
    for (const Option& option : showOptions(asked_)) {
        const std::string name = " --" + option.name;
        EXPECT_TRUE(usage.find(name + ' ') != std::string::npos ||
                    usage.find(name + ',') != std::string::npos)
            << option.name;
    }
}

TEST_F(ShowOptionsTest, FieldsThatARequestDoesNotCarryAreNoOptions) {
    for (const char* name : {"--op", "--ev", "--code", "--no-json", "--no-mode"}) {
        EXPECT_EQ(parse({name, "1"}).status, 64) << name;
    }
}

TEST_F(ShowOptionsTest, DurationTakesOnlyAWholeNumberInTheSigned64BitRange) {
    for (const auto& [text, seconds] :
         std::vector<std::pair<std::string, std::int64_t>>{{"0", 0},
                                                           {"+7", 7},
                                                           {"9223372036854775807", INT64_MAX},
                                                           {"-9223372036854775808", INT64_MIN}}) {
        EXPECT_EQ(parse({"--duration", text}).status, std::nullopt) << text;
        EXPECT_EQ(asked_.record.duration, seconds);
    }
    for (const std::string text : {"", "abc", "1.5", "1e3", "0x10", " 5", "5 ", "+-1", "--1",
                                   "9223372036854775808", "-9223372036854775809"}) {
        const Parse result = parse({"--duration=" + text});
        EXPECT_EQ(result.status, 64) << text;
        EXPECT_EQ(result.err.substr(0, result.err.find('\n')),
                  "wystrand-notify-ctl test: --duration needs a whole number of seconds, not '" +
                      text + "'");
    }
    // Each value in its turn: --help before a bad number ends the command first.
    EXPECT_EQ(parse({"--help", "--duration", "x"}).status, 0);
    EXPECT_EQ(parse({"--duration", "x", "--help"}).status, 64);
}

}  // namespace
}  // namespace wystrand::ctl

// The controller's command lines: the form of options, and what the options of show set.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"
#include "tools/ctl/ShowCommand.h"

namespace wystrand::ctl {
namespace {

using Args = std::vector<std::string>;

struct Parse {
    std::optional<int> status;
    std::string out, err;
};

// Runs parseCommandLine over `args` and keeps what it printed.
Parse parse(const Args& args, std::span<const Option> options) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::optional<int> status = parseCommandLine("test", "USAGE\n", argv, options);
    return {status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

// Options apply in their turn: --help prints the usage and ends with status 0 once those before
// it have applied; a usage error applies none and ends with status 64.
TEST(CommandLineTest, OptionsApplyInTheirTurnOrNoneOnAUsageError) {
    constexpr std::optional<int> ok;
    const struct {
        Args args;
        std::optional<int> status;
        std::optional<std::string> socket;
        bool json;
        std::string printed;  // the output, or the error before the usage
    } cases[] = {
        {{"--socket", "a"}, ok, "a", false, ""},
        {{"--socket=a=b"}, ok, "a=b", false, ""},
        {{"--socket="}, ok, "", false, ""},
        {{"--socket", "--json"}, ok, "--json", false, ""},
        {{"--socket", "a", "--socket=b", "--json"}, ok, "b", true, ""},
        {{"--socket", "a", "--help", "--json"}, 0, "a", false, "USAGE\n"},
        {{"--json", "--bogus"}, 64, {}, false, "unknown option '--bogus'"},
        {{"--Socket", "a"}, 64, {}, false, "unknown option '--Socket'"},
        {{"-s", "a"}, 64, {}, false, "unexpected argument '-s'"},
        {{"--"}, 64, {}, false, "unexpected argument '--'"},
        {{"--json", "a"}, 64, {}, false, "unexpected argument 'a'"},
        {{"--socket"}, 64, {}, false, "option '--socket' needs a value"},
        {{"--json=yes"}, 64, {}, false, "option '--json' takes no value"},
        {{"--help=yes"}, 64, {}, false, "option '--help' takes no value"},
        {{"--help", "--bogus"}, 64, {}, false, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::optional<std::string> socket;
        bool json = false;
        const Option options[] = {textOption("socket", socket), flagOption("json", json)};
        const Parse result = parse(c.args, options);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(socket, c.socket);
        EXPECT_EQ(json, c.json);
        EXPECT_EQ(result.out, c.status == 0 ? c.printed : "");
        EXPECT_EQ(result.err,
                  c.status == 64 ? "wystrand-notify-ctl test: " + c.printed + "\nUSAGE\n" : "");
    }
}

class ShowOptionsTest : public ::testing::Test {
protected:
    Parse parse(const Args& args) { return ctl::parse(args, showOptions(asked_)); }

    ShowRequest asked_;
};

// The "=" form is the command line's own (above).
TEST_F(ShowOptionsTest, EachOptionSetsItsOwnField) {
    EXPECT_EQ(parse({"--mode",    "m",          "--type",      "t",  "--locale",   "l",
                     "--eyebrow", "e",          "--title",     "ti", "--message",  "me",
                     "--primary", "p",          "--secondary", "se", "--skip",     "sk",
                     "--detail",  "d",          "--placement", "pl", "--duration", "-7",
                     "--sound",   "--no-sound", "--variant",   "v",  "--id",       "i",
                     "--json",    "--agent",    "/a"})
                  .status,
              std::nullopt);
    EXPECT_EQ(asked_.record.encode(),
              R"({"id":"i","mode":"m","type":"t","locale":"l","eyebrow":"e","title":"ti",)"
              R"("message":"me","primary":"p","secondary":"se","skip":"sk","detail":"d",)"
              R"("placement":"pl","duration":-7,"sound":false,"variant":"v"})");
    EXPECT_TRUE(asked_.json);
    EXPECT_EQ(asked_.agent, "/a");
    EXPECT_EQ(parse({"--no-sound", "--sound"}).status, std::nullopt);
    EXPECT_EQ(asked_.record.sound, true);
    // The fields that a request does not carry are no options.
    for (const char* name : {"--op", "--ev", "--code", "--no-json", "--no-mode"}) {
        EXPECT_EQ(parse({name, "1"}).status, 64) << name;
    }
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

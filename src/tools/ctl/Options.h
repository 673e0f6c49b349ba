#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wystrand::ctl {

struct OptionSpec {
    std::string_view name;  // without the leading "--"
    bool takesValue;
};

// The options as given, in order: name (without "--") and value ("" for a flag). A value is the
// next argument or follows '=' ("--title Hi" or "--title=Hi").
using ParsedOptions = std::vector<std::pair<std::string, std::string>>;

// Parses `args` against `specs`. On an unknown option, a missing value, a value given to a flag
// or a stray argument, returns nothing and sets `error`.
std::optional<ParsedOptions> parseOptions(std::span<char* const> args,
                                          std::span<const OptionSpec> specs, std::string& error);

// A whole decimal number in the signed 64-bit range, optionally signed.
std::optional<std::int64_t> parseInteger(std::string_view text);

}  // namespace wystrand::ctl

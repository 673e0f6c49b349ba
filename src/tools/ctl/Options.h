#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace wystrand::ctl {

// One option of a subcommand, bound to what it sets. `apply` gets the value ("" for a flag) and
// returns false, with the reason in `error`, for a value it cannot take.
struct Option {
    std::string name;  // without the leading "--"
    bool takesValue;
    std::function<bool(const std::string& value, std::string& error)> apply;
};

// --NAME VALUE or --NAME=VALUE; a later one replaces an earlier one.
Option textOption(std::string name, std::optional<std::string>& target);
// --NAME, which takes no value.
Option flagOption(std::string name, bool& target);

// Reads a subcommand's arguments: first their form (every argument an option of `options` or
// --help, each value present, no value given to a flag), then each option's value, in order.
// --help, which every subcommand takes, prints `usage` on standard output when its turn comes.
// Returns the subcommand's exit status when it is to end here: 0 after --help, 64 after an
// error, printed as "wystrand-notify-ctl COMMAND: ERROR" and `usage` on standard error.
// Otherwise returns nothing, and every option has been applied.
std::optional<int> parseCommandLine(std::string_view command, std::string_view usage,
                                    std::span<char* const> args, std::span<const Option> options);

// A whole decimal number in the signed 64-bit range, optionally signed.
std::optional<std::int64_t> parseInteger(std::string_view text);

}  // namespace wystrand::ctl

#include "tools/ctl/Options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>
#include <vector>

#include "tools/ctl/Commands.h"

namespace wystrand::ctl {

namespace {

constexpr std::string_view kHelp = "help";

// The options as given, in order: the option (nullptr for --help) and its value.
using Given = std::vector<std::pair<const Option*, std::string>>;

std::optional<Given> readForm(std::span<char* const> args, std::span<const Option> options,
                              std::string& error) {
    Given given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--") || arg.size() == 2) {
            error = "unexpected argument '" + std::string(arg) + "'";
            return std::nullopt;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name =
            arg.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == options.end() && name != kHelp) {
            error = "unknown option '--" + std::string(name) + "'";
            return std::nullopt;
        }
        const Option* bound = option == options.end() ? nullptr : &*option;
        if (bound == nullptr || !bound->takesValue) {
            if (equals != std::string_view::npos) {
                error = "option '--" + std::string(name) + "' takes no value";
                return std::nullopt;
            }
            given.emplace_back(bound, "");
        } else if (equals != std::string_view::npos) {
            given.emplace_back(bound, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            given.emplace_back(bound, args[++i]);
        } else {
            error = "option '--" + std::string(name) + "' needs a value";
            return std::nullopt;
        }
    }
    return given;
}

}  // namespace

Option textOption(std::string name, std::optional<std::string>& target) {
    return {std::move(name), true, [&target](const std::string& value, std::string&) {
                target = value;
                return true;
            }};
}

Option flagOption(std::string name, bool& target) {
    return {std::move(name), false, [&target](const std::string&, std::string&) {
                target = true;
                return true;
            }};
}

std::optional<int> parseCommandLine(std::string_view command, std::string_view usage,
                                    std::span<char* const> args, std::span<const Option> options) {
    std::string error;
    const auto given = readForm(args, options, error);
    bool applied = given.has_value();
    for (std::size_t i = 0; applied && i < given->size(); ++i) {
        const auto& [option, value] = (*given)[i];
        if (option == nullptr) {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return 0;
        }
        applied = option->apply(value, error);
    }
    if (applied) {
        return std::nullopt;
    }
    std::fprintf(stderr, "wystrand-notify-ctl %.*s: %s\n%.*s", static_cast<int>(command.size()),
                 command.data(), error.c_str(), static_cast<int>(usage.size()), usage.data());
    return kExitUsage;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    if (text.starts_with('+') && !text.starts_with("+-")) {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace wystrand::ctl

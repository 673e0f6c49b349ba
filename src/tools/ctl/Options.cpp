#include "tools/ctl/Options.h"

#include <algorithm>
#include <charconv>

namespace wystrand::ctl {

std::optional<ParsedOptions> parseOptions(std::span<char* const> args,
                                          std::span<const OptionSpec> specs, std::string& error) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--") || arg.size() == 2) {
            error = "unexpected argument '" + std::string(arg) + "'";
            return std::nullopt;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name =
            arg.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
        const auto spec = std::find_if(specs.begin(), specs.end(),
                                       [&](const OptionSpec& s) { return s.name == name; });
        if (spec == specs.end()) {
            error = "unknown option '--" + std::string(name) + "'";
            return std::nullopt;
        }
        if (!spec->takesValue) {
            if (equals != std::string_view::npos) {
                error = "option '--" + std::string(name) + "' takes no value";
                return std::nullopt;
            }
            parsed.emplace_back(name, "");
        } else if (equals != std::string_view::npos) {
            parsed.emplace_back(name, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            parsed.emplace_back(name, args[++i]);
        } else {
            error = "option '--" + std::string(name) + "' needs a value";
            return std::nullopt;
        }
    }
    return parsed;
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

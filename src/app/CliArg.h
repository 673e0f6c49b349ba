#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace wystrand {

// The argument that follows the first argument equal to `flag` (whole, case-sensitive), taken
// unchanged; nothing when `flag` is absent or is the last argument. `args` starts with the
// program's own path.
std::optional<std::string> cliArg(std::span<const char* const> args, std::string_view flag);

}  // namespace wystrand

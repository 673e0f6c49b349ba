#include "app/CliArg.h"

namespace wystrand {

std::optional<std::string> cliArg(std::span<const char* const> args, std::string_view flag) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != nullptr && args[i] == flag) {
            if (i + 1 >= args.size() || args[i + 1] == nullptr) {
                return std::nullopt;
            }
            return std::string(args[i + 1]);
        }
    }
    return std::nullopt;
}

}  // namespace wystrand

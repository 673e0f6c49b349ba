#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "tools/ctl/Commands.h"

int main(int argc, char** argv) {
    using namespace wystrand::ctl;
    const std::span<char* const> args(argv, static_cast<std::size_t>(argc));
    const std::string_view name = args.size() > 1 ? args[1] : "";
    if (const Command* command = findCommand(name)) {
        return command->run(args.subspan(2));
    }
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    if (name.empty()) {
        std::fputs(usage().c_str(), stderr);
    } else {
        std::fprintf(stderr, "wystrand-notify-ctl: unknown command '%.*s'\n%s",
                     static_cast<int>(name.size()), name.data(), usage().c_str());
    }
    return kExitUsage;
}

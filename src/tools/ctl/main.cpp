#include <cstdio>
#include <span>
#include <string_view>

#include "tools/ctl/Commands.h"

namespace {

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl COMMAND [OPTION]...\n"
    "Control the wystrand-notify agent from a shell or from any program.\n"
    "\n"
    "Commands:\n"
    "  show    show one card and exit with its result code (0 or 2)\n"
    "  serve   relay JSON lines from standard input to the agent, print its events\n"
    "  demo    a short tour of the cards\n"
    "\n"
    "'wystrand-notify-ctl COMMAND --help' describes each command.\n";

}  // namespace

namespace wystrand::ctl {

void printError(const char* message) {
    std::fprintf(stderr, "wystrand-notify-ctl: %s\n", message);
}

}  // namespace wystrand::ctl

int main(int argc, char** argv) {
    using namespace wystrand::ctl;
    const std::span<char* const> args(argv, static_cast<std::size_t>(argc));
    const std::string_view command = args.size() > 1 ? args[1] : "";
    const auto rest = args.size() > 1 ? args.subspan(2) : args.subspan(args.size());
    if (command == "show") {
        return runShow(rest);
    }
    if (command == "serve") {
        return runServe(rest);
    }
    if (command == "demo") {
        return runDemo(rest);
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command.empty()) {
        std::fputs(kUsage, stderr);
    } else {
        std::fprintf(stderr, "wystrand-notify-ctl: unknown command '%.*s'\n%s",
                     static_cast<int>(command.size()), command.data(), kUsage);
    }
    return kExitUsage;
}

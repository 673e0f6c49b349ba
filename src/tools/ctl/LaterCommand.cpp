#include "tools/ctl/AgentCall.h"

namespace wystrand::ctl {

namespace {

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl later\n"
    "Put off the newest card on screen that can be put off, as if its deferring button had been\n"
    "clicked (an alert's secondary button, a countdown's skip): its controller hears result 2.\n"
    "Meant to be bound to a key; see the manual page.\n"
    "\n"
    "  --help  show this help and exit\n"
    "\n"
    "Exit status: 0 when a card took it; 1 when no agent runs in this session or no card on\n"
    "screen can be put off; 64 for a usage error.\n";

}  // namespace

int runLater(std::span<char* const> args) {
    return callAgent({"later", kUsage, "Later", "no card on screen can be put off"}, args);
}

}  // namespace wystrand::ctl

#include "tools/ctl/AgentCall.h"

namespace wystrand::ctl {

namespace {

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl accept\n"
    "Answer the newest alert on screen as if its primary button had been clicked: its controller\n"
    "hears result 0. Meant to be bound to a key; see the manual page.\n"
    "\n"
    "  --help  show this help and exit\n"
    "\n"
    "Exit status: 0 when an alert took it; 1 when no agent runs in this session or no alert is\n"
    "on screen; 64 for a usage error.\n";

}  // namespace

int runAccept(std::span<char* const> args) {
    return callAgent({"accept", kUsage, "Accept", "no alert on screen"}, args);
}

}  // namespace wystrand::ctl

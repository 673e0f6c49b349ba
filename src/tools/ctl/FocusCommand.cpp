#include "tools/ctl/AgentCall.h"

namespace wystrand::ctl {

namespace {

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl focus\n"
    "Move the keyboard into the cards on screen: the newest card with buttons takes it, with its\n"
    "primary button (a countdown's skip) focused. Tab, Shift+Tab and the arrow keys move across\n"
    "the buttons of every card, Return or Space presses one, Escape gives the keyboard back.\n"
    "Meant to be bound to a key; see the manual page.\n"
    "\n"
    "  --help  show this help and exit\n"
    "\n"
    "Exit status: 0 when a card took the keyboard; 1 when no agent runs in this session, no card\n"
    "on screen has buttons, or the cards cannot take the keyboard on this desktop; 64 for a usage\n"
    "error.\n";

}  // namespace

int runFocus(std::span<char* const> args) {
    return callAgent({"focus", kUsage, "Focus", "no card on screen has buttons"}, args);
}

}  // namespace wystrand::ctl

// The commands for the agent already running in this session, over the session bus: each
// answers the newest card on screen, as the desktop's key bindings ask.
#include "tools/ctl/AgentCall.h"

namespace wystrand::ctl {

namespace {

constexpr const char* kAcceptUsage =
    "Usage: wystrand-notify-ctl accept\n"
    "Answer the newest alert on screen as if its primary button had been clicked: its controller\n"
    "hears result 0. Meant to be bound to a key; see the manual page.\n"
    "\n"
    "  --help  show this help and exit\n"
    "\n"
    "Exit status: 0 when an alert took it; 1 when no agent runs in this session or no alert is\n"
    "on screen; 64 for a usage error.\n";

constexpr const char* kLaterUsage =
    "Usage: wystrand-notify-ctl later\n"
    "Put off the newest card on screen that can be put off, as if its deferring button had been\n"
    "clicked (an alert's secondary button, a countdown's skip): its controller hears result 2.\n"
    "Meant to be bound to a key; see the manual page.\n"
    "\n"
    "  --help  show this help and exit\n"
    "\n"
    "Exit status: 0 when a card took it; 1 when no agent runs in this session or no card on\n"
    "screen can be put off; 64 for a usage error.\n";

constexpr const char* kFocusUsage =
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

int runAccept(std::span<char* const> args) {
    return callAgent({"accept", kAcceptUsage, "Accept", "no alert on screen"}, args);
}

int runLater(std::span<char* const> args) {
    return callAgent({"later", kLaterUsage, "Later", "no card on screen can be put off"}, args);
}

int runFocus(std::span<char* const> args) {
    return callAgent({"focus", kFocusUsage, "Focus", "no card on screen has buttons"}, args);
}

}  // namespace wystrand::ctl

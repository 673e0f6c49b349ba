#pragma once

#include <span>
#include <string_view>

namespace wystrand::ctl {

// A command for the cards on screen of the agent running in this session, whichever controller
// started it: one method of its interface on the session bus.
struct AgentCall {
    std::string_view command;  // the subcommand's name
    std::string_view usage;
    const char* method;
    std::string_view refused;  // the error when no card on screen takes the command
};

// Parses `args` (only --help), calls the method and returns the exit status: 0 when a card took
// the command; 1 with one line on standard error when no agent answers, or no card takes it, or
// the agent cannot do it here; 64 for a usage error.
int callAgent(const AgentCall& call, std::span<char* const> args);

}  // namespace wystrand::ctl

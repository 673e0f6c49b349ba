#pragma once

#include <chrono>
#include <span>
#include <string>
#include <string_view>

namespace wystrand::ctl {

// Exit statuses shared by the subcommands.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;

// How long show and demo wait for each step of the agent (to connect, to answer, to show cards),
// and the commands for the running agent for its answer.
inline constexpr auto kWaitLimit = std::chrono::seconds(5);

// "5 s": the wait limit as the messages and usage texts give it.
std::string waitLimitText();

// A subcommand: `run` takes the arguments after its name and returns the process's exit status.
struct Command {
    std::string_view name;
    std::string_view summary;  // its line in the usage text
    int (*run)(std::span<char* const> args);
};

// Every subcommand, in the order the usage text lists them.
std::span<const Command> commands();
// The subcommand called `name`, or nullptr.
const Command* findCommand(std::string_view name);
// "Usage: wystrand-notify-ctl COMMAND [OPTION]..." and a line for each subcommand.
std::string usage();

// Prints "wystrand-notify-ctl: <message>" on standard error.
void printError(const std::string& message);

}  // namespace wystrand::ctl

#include "tools/ctl/Commands.h"

#include <algorithm>
#include <cstdio>

namespace wystrand::ctl {

// Each in its own unit, <Name>Command.cpp.
int runShow(std::span<char* const> args);
int runServe(std::span<char* const> args);
int runDemo(std::span<char* const> args);
int runWatch(std::span<char* const> args);
int runAccept(std::span<char* const> args);
int runLater(std::span<char* const> args);
int runFocus(std::span<char* const> args);

namespace {

constexpr Command kCommands[] = {
    {"show", "show one card and exit with its result code (0 or 2)", runShow},
    {"serve", "relay JSON lines from standard input to the agent, print its events", runServe},
    {"watch", "print when the person is busy or free, away or back", runWatch},
    {"accept", "answer the newest alert on screen with its primary button", runAccept},
    {"later", "put off the newest card on screen that can be put off", runLater},
    {"focus", "move the keyboard into the cards on screen", runFocus},
    {"demo", "a short tour of the cards", runDemo},
};

}  // namespace

std::string waitLimitText() {
    return std::to_string(kWaitLimit.count()) + " s";
}

std::span<const Command> commands() {
    return kCommands;
}

const Command* findCommand(std::string_view name) {
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.name == name; });
    return command == std::end(kCommands) ? nullptr : command;
}

std::string usage() {
    std::string text =
        "Usage: wystrand-notify-ctl COMMAND [OPTION]...\n"
        "Control the wystrand-notify agent from a shell or from any program.\n"
        "\n"
        "Commands:\n";
    std::size_t width = 0;
    for (const Command& command : kCommands) {
        width = std::max(width, command.name.size());
    }
    for (const Command& command : kCommands) {
        text += "  " + std::string(command.name) +
                std::string(width + 3 - command.name.size(), ' ') + std::string(command.summary) +
                '\n';
    }
    return text + "\n'wystrand-notify-ctl COMMAND --help' describes each command.\n";
}

void printError(const std::string& message) {
    std::fprintf(stderr, "wystrand-notify-ctl: %s\n", message.c_str());
}

}  // namespace wystrand::ctl

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>

#include "tools/ctl/AgentHost.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"
#include "tools/ctl/Signals.h"

namespace wystrand::ctl {

namespace {

constexpr auto kRestartDelay = std::chrono::seconds(1);
// An agent that keeps dying before it connects (no display, a broken binary) is given up.
constexpr int kFailedStartsAllowed = 3;

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl serve [--socket PATH] [--agent PATH]\n"
    "Start the agent and be its controller on behalf of another program: every line read\n"
    "from standard input is sent to the agent unchanged (one JSON request per line), and\n"
    "every line from the agent (\"ready\", \"result\", \"pong\", \"hello\" and the \"hb\" "
    "heartbeat)\n"
    "is printed on standard output as it arrives. An agent that dies is started again; lines\n"
    "read while it is away are sent once it is back. Ends, stopping the agent, when\n"
    "standard input closes.\n"
    "\n"
    "  --socket PATH   listen at PATH (default: a fresh private directory under\n"
    "                  $XDG_RUNTIME_DIR, else the temporary directory)\n"
    "  --agent PATH    the agent to start (default: wystrand-notify beside this program,\n"
    "                  else on PATH)\n"
    "  --help          show this help and exit\n"
    "\n"
    "Example:\n"
    "  printf '%s\\n' '{\"op\":\"ping\"}' '{\"op\":\"show\",\"id\":\"a\",\"mode\":\"info\"}' \\\n"
    "    | (cat; sleep 7) | wystrand-notify-ctl serve\n"
    "\n"
    "Exit status: 0 when standard input ended; 1 when the agent cannot be started; 64 for\n"
    "a usage error.\n";

}  // namespace

int runServe(std::span<char* const> args) {
    std::optional<std::string> socketPath;
    std::optional<std::string> agentOption;
    const Option options[] = {textOption("socket", socketPath), textOption("agent", agentOption)};
    if (const auto status = parseCommandLine("serve", kUsage, args, options)) {
        return *status;
    }

    std::string error;
    AgentHost host;
    const auto agentPath = launchAgent(host, agentOption, socketPath, error);
    if (!agentPath) {
        printError(error);
        return kExitFailure;
    }
    host.watchInput(STDIN_FILENO);

    std::deque<std::string> unsent;
    bool connectedSinceStart = false;
    int failedStarts = 0;
    std::optional<std::chrono::steady_clock::time_point> restartAt;
    for (;;) {
        const auto deadline =
            restartAt.value_or(std::chrono::steady_clock::now() + std::chrono::hours(24));
        const auto event = host.next(deadline);
        switch (event.kind) {
            case HostEvent::Kind::line:
                if (std::printf("%s\n", event.text.c_str()) < 0 || std::fflush(stdout) != 0) {
                    return kExitFailure;
                }
                break;
            case HostEvent::Kind::input:
                unsent.push_back(event.text);
                [[fallthrough]];
            case HostEvent::Kind::connected:
                if (event.kind == HostEvent::Kind::connected) {
                    connectedSinceStart = true;
                    failedStarts = 0;
                }
                while (!unsent.empty() && host.send(unsent.front())) {
                    unsent.pop_front();
                }
                break;
            case HostEvent::Kind::inputClosed:
                return 0;
            case HostEvent::Kind::agentExited:
                failedStarts = connectedSinceStart ? 0 : failedStarts + 1;
                if (failedStarts >= kFailedStartsAllowed) {
                    printError("the agent keeps exiting before it connects; is there a display?");
                    return kExitFailure;
                }
                std::fprintf(
                    stderr, "wystrand-notify-ctl: the agent exited (%s %d); starting it again\n",
                    WIFSIGNALED(event.status) ? "signal" : "status",
                    WIFSIGNALED(event.status) ? WTERMSIG(event.status) : WEXITSTATUS(event.status));
                restartAt = std::chrono::steady_clock::now() + kRestartDelay;
                break;
            case HostEvent::Kind::timeout:
                if (restartAt && !host.agentRunning()) {
                    restartAt.reset();
                    connectedSinceStart = false;
                    if (!host.startAgent(*agentPath, error)) {
                        printError(error);
                        return kExitFailure;
                    }
                }
                break;
            case HostEvent::Kind::signal:
                return signalExitStatus(event.number);
            case HostEvent::Kind::disconnected:
                break;
        }
    }
}

}  // namespace wystrand::ctl

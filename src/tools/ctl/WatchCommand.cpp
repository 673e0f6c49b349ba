#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/message/Protocol.h"
#include "tools/ctl/AgentHost.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"
#include "tools/ctl/Signals.h"

namespace wystrand::ctl {

namespace {

constexpr std::string_view kContextEvents[] = {"busy", "free", "away", "back"};

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl watch [--away SECONDS] [--json] [--agent PATH]\n"
    "Start the agent and print what it knows of the person at the desktop: the state at once,\n"
    "then a line each time it changes, until interrupted.\n"
    "  busy CAUSES  the causes that hold, comma-separated: do-not-disturb, fullscreen\n"
    "               (the focused window is full screen), inhibited (an application keeps the\n"
    "               session from going idle, as a film or a call does)\n"
    "  free         none of them holds\n"
    "  away         no keyboard or pointer input for the threshold, or the screen saver or\n"
    "               the lock since the last input\n"
    "  back         input since\n"
    "\n"
    "  --away SECONDS  no input for this long counts as away (default 120)\n"
    "  --json          print the agent's records as JSON lines instead\n"
    "  --agent PATH    the agent to start (default: wystrand-notify beside this program, else\n"
    "                  on PATH)\n"
    "  --help          show this help and exit\n"
    "\n"
    "Exit status: 1 when the agent cannot be started or goes away; 64 for a usage error;\n"
    "128 + the signal when interrupted.\n";

}  // namespace

int runWatch(std::span<char* const> args) {
    std::optional<std::string> away;
    std::optional<std::string> agentOption;
    bool json = false;
    const Option options[] = {textOption("away", away), flagOption("json", json),
                              textOption("agent", agentOption)};
    if (const auto status = parseCommandLine("watch", kUsage, args, options)) {
        return *status;
    }
    PipeMsg request;
    request.op = QStringLiteral("watch");
    if (away) {
        const auto seconds = parseInteger(*away);
        if (!seconds || *seconds < 1) {
            printError("watch: --away needs a whole number of seconds, 1 or more, not '" + *away +
                       "'");
            return kExitUsage;
        }
        request.duration = *seconds;
    }

    std::string error;
    AgentHost host;
    if (!launchAgent(host, agentOption, std::nullopt, error)) {
        printError(error);
        return kExitFailure;
    }
    for (;;) {
        const HostEvent event = host.next(std::chrono::hours(24));
        switch (event.kind) {
            case HostEvent::Kind::connected:
                if (!host.send(request.encode())) {
                    printError("cannot send the request to the agent");
                    return kExitFailure;
                }
                break;
            case HostEvent::Kind::line: {
                const auto record = PipeMsg::decode(event.text);
                const std::string ev = record && record->ev ? record->ev->toStdString() : "";
                if (!record || record->id ||
                    std::ranges::find(kContextEvents, ev) == std::end(kContextEvents)) {
                    break;
                }
                const std::string line =
                    json ? event.text
                         : ev + (record->detail ? ' ' + record->detail->toStdString() : "");
                if (std::printf("%s\n", line.c_str()) < 0 || std::fflush(stdout) != 0) {
                    return kExitFailure;
                }
                break;
            }
            case HostEvent::Kind::disconnected:
            case HostEvent::Kind::agentExited:
                printError("the agent went away");
                return kExitFailure;
            case HostEvent::Kind::signal:
                return signalExitStatus(event.number);
            case HostEvent::Kind::timeout:
            case HostEvent::Kind::input:
            case HostEvent::Kind::inputClosed:
                break;
        }
    }
}

}  // namespace wystrand::ctl

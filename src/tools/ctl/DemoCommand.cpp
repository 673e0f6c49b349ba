#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/message/Protocol.h"
#include "tools/ctl/AgentHost.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"
#include "tools/ctl/Signals.h"

namespace wystrand::ctl {

namespace {

// Long enough for the slide-in (0.28 s) to finish before the screenshot.
constexpr auto kSettleTime = std::chrono::milliseconds(800);
constexpr auto kEndTimeout = std::chrono::seconds(15);

constexpr const char* kUsage =
    "Usage: wystrand-notify-ctl demo [--screenshot FILE] [--agent PATH]\n"
    "A short tour of the agent: four cards in the three modes (alert, info, countdown),\n"
    "with four types and variants and texts in English, Japanese, Spanish and\n"
    "Vietnamese, a ping and a dismiss. Prints the requests it sends (->) and the events\n"
    "the agent sends back (<-). Takes about 6 seconds.\n"
    "\n"
    "  --screenshot FILE  save a picture of the whole screen while the cards are up\n"
    "                     (PNG; uses ImageMagick's import)\n"
    "  --agent PATH       the agent to start (default: wystrand-notify beside this\n"
    "                     program, else on PATH)\n"
    "  --help             show this help and exit\n"
    "\n"
    "Exit status: 0 when every card was shown and ended; 1 otherwise; 64 for a usage error.\n";

PipeMsg card(const char* id, const char* mode, const char* type, const char* locale,
             const char* variant, std::int64_t duration) {
    PipeMsg m;
    m.op = QStringLiteral("show");
    m.id = QString::fromLatin1(id);
    m.mode = QString::fromLatin1(mode);
    m.type = QString::fromLatin1(type);
    m.locale = QString::fromLatin1(locale);
    m.variant = QString::fromLatin1(variant);
    m.duration = duration;
    return m;
}

std::vector<PipeMsg> tour() {
    std::vector<PipeMsg> cards{
        card("demo-alert", "alert", "eye", "en", "warning", 5),
        card("demo-countdown", "countdown", "stress", "ja", "smart_suggestion", 4),
        card("demo-info", "info", "exercise", "es", "achievement", 3),
        card("demo-dismissed", "alert", "sitting", "vi", "gentle_reminder", 60),
    };
    // Texts of the caller's own instead of the defaults of the type.
    cards[2].title = QStringLiteral("¡Objetivo cumplido!");
    cards[2].message = QStringLiteral("Diez minutos de estiramientos hoy");
    cards[2].detail = QStringLiteral("7 días seguidos");
    return cards;
}

bool saveScreenshot(const std::string& file) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        const char* argv[] = {"import", "-silent", "-window", "root", file.c_str(), nullptr};
        ::execvp("import", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int runDemo(std::span<char* const> args) {
    std::optional<std::string> screenshot;
    std::optional<std::string> agentOption;
    const Option options[] = {textOption("screenshot", screenshot),
                              textOption("agent", agentOption)};
    if (const auto status = parseCommandLine("demo", kUsage, args, options)) {
        return *status;
    }

    std::string error;
    AgentHost host;
    const auto agentPath = launchAgent(host, agentOption, std::nullopt, error);
    if (!agentPath) {
        printError(error);
        return kExitFailure;
    }
    std::printf("Started %s --pipe %s\n", agentPath->c_str(), host.socketPath().c_str());
    std::fflush(stdout);

    bool ponged = false;
    int interruptedBy = 0;
    std::set<QString> waitingForReady;
    std::set<QString> waitingForResult;
    const auto sendRecord = [&](const PipeMsg& m) {
        const std::string line = m.encode();
        std::printf("-> %s\n", line.c_str());
        std::fflush(stdout);
        return host.send(line);
    };
    // Prints events until `done` holds or the deadline passes; false on a timeout or a lost agent.
    const auto pump = [&](std::chrono::steady_clock::time_point deadline, auto done) {
        while (!done()) {
            const auto event = host.next(deadline);
            switch (event.kind) {
                case HostEvent::Kind::line: {
                    std::printf("<- %s\n", event.text.c_str());
                    std::fflush(stdout);
                    const auto m = PipeMsg::decode(event.text);
                    if (m && m->ev == QStringLiteral("pong")) {
                        ponged = true;
                    } else if (m && m->id && m->ev == QStringLiteral("ready")) {
                        waitingForReady.erase(*m->id);
                    } else if (m && m->id && m->ev == QStringLiteral("result")) {
                        waitingForResult.erase(*m->id);
                    }
                    break;
                }
                case HostEvent::Kind::timeout:
                    return false;
                case HostEvent::Kind::agentExited:
                    error = "the agent exited; is there a display?";
                    return false;
                case HostEvent::Kind::disconnected:
                    error = "the agent closed the connection";
                    return false;
                case HostEvent::Kind::signal:
                    interruptedBy = event.number;
                    return false;
                default:
                    break;
            }
        }
        return true;
    };
    const auto fail = [&](const std::string& fallback) {
        if (interruptedBy != 0) {
            return signalExitStatus(interruptedBy);
        }
        printError(error.empty() ? fallback : error);
        return kExitFailure;
    };
    const auto after = [](auto duration) { return std::chrono::steady_clock::now() + duration; };

    if (!pump(after(kWaitLimit), [&] { return host.connected(); })) {
        return fail("the agent did not connect within " + waitLimitText());
    }
    std::printf("\nA ping is answered at once:\n");
    PipeMsg ping;
    ping.op = QStringLiteral("ping");
    sendRecord(ping);
    if (!pump(after(kWaitLimit), [&] { return ponged; })) {
        return fail("no answer to the ping");
    }

    std::printf("\nFour cards, each reported \"ready\" once it is on screen:\n");
    const auto cards = tour();
    for (const PipeMsg& m : cards) {
        waitingForReady.insert(*m.id);
        waitingForResult.insert(*m.id);
        sendRecord(m);
    }
    if (!pump(after(kWaitLimit), [&] { return waitingForReady.empty(); })) {
        return fail("the cards were not shown within " + waitLimitText() + " (no screen?)");
    }
    pump(after(kSettleTime), [] { return false; });
    if (!error.empty() || interruptedBy != 0) {
        return fail(error);
    }

    bool screenshotSaved = true;
    if (screenshot) {
        screenshotSaved = saveScreenshot(*screenshot);
        if (screenshotSaved) {
            std::printf("\nSaved a screenshot to %s\n", screenshot->c_str());
        } else {
            printError("could not save a screenshot to " + *screenshot +
                       " (is ImageMagick's import installed?)");
        }
    }

    std::printf(
        "\nThe last card is dismissed (code 2); the others end by their timers: the info card\n"
        "ran its course (0), the countdown finished (0), the alert went unanswered (2):\n");
    PipeMsg dismiss;
    dismiss.op = QStringLiteral("dismiss");
    dismiss.id = cards.back().id;
    sendRecord(dismiss);
    if (!pump(after(kEndTimeout), [&] { return waitingForResult.empty(); })) {
        return fail("not every card ended in time");
    }
    std::fflush(stdout);
    return screenshotSaved ? 0 : kExitFailure;
}

}  // namespace wystrand::ctl

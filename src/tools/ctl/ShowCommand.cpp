#include "tools/ctl/ShowCommand.h"

#include <unistd.h>

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "tools/ctl/AgentHost.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Signals.h"

namespace wystrand::ctl {

namespace {

// The fields a request does not carry: the controller sets op, the agent sends the others.
constexpr std::string_view kNotOptions[] = {"op", "ev", "code", "reason", "version"};

const std::string& usageText() {
    static const std::string text =
        "Usage: wystrand-notify-ctl show [OPTION]...\n"
        "Show one notification card and wait until it ends. The exit status is the card's\n"
        "result code: 0 when it was accepted or ran its course, 2 when it was put off, skipped,\n"
        "left unanswered or dismissed.\n"
        "\n"
        "Only the options given are sent; the agent fills in the rest.\n"
        "  --mode M            alert, info or countdown (default countdown)\n"
        "  --type T            eye, sitting, stress, exercise, app_feedback, morning_energy,\n"
        "                      water, info or achievement (default eye)\n"
        "  --locale L          en, es, ja, ko or zh (also en-US, es-ES, ja-JP, ko-KR, zh-CN);\n"
        "                      anything else gives Vietnamese, the default\n"
        "  --eyebrow TEXT      the small label above the title\n"
        "  --title TEXT        the title\n"
        "  --message TEXT      the body text\n"
        "  --primary TEXT      the accepting button of an alert card\n"
        "  --secondary TEXT    the deferring button of an alert card\n"
        "  --skip TEXT         the skip button of a countdown card\n"
        "  --detail TEXT       an extra line under the body\n"
        "  --placement P       default or elevated\n"
        "  --duration N        seconds until the card times out, or the countdown's length\n"
        "  --sound, --no-sound the sound flag\n"
        "  --variant V         warning, achievement, smart_suggestion or gentle_reminder\n"
        "  --hold, --no-hold   whether the card waits while the person is busy (do-not-disturb,\n"
        "                      a full-screen window, an application inhibiting idle) or away,\n"
        "                      to show once they are free and back (default --no-hold)\n"
        "  --id ID             the card's identifier (default ctl-<process id>)\n"
        "  --json              print the result record as a JSON line, with the reason the\n"
        "                      card ended (primary, secondary, skip, expired, dismissed,\n"
        "                      screen or output)\n"
        "  --agent PATH        the agent to start (default: wystrand-notify beside this\n"
        "                      program, else on PATH)\n"
        "  --help              show this help and exit\n"
        "\n"
        "Exit status: the card's code; 1 when the agent cannot start, does not connect within\n" +
        waitLimitText() + " or does not show the card (no screen); 64 for a usage error.\n";
    return text;
}

int failure(const std::string& message) {
    printError(message);
    return kExitFailure;
}

}  // namespace

std::vector<Option> showOptions(ShowRequest& into) {
    std::vector<Option> options;
    PipeMsg& record = into.record;
    for (const PipeMsgField& field : kPipeMsgFields) {
        const std::string key(field.key);
        if (std::ranges::find(kNotOptions, field.key) != std::end(kNotOptions)) {
            continue;
        }
        if (const auto text = field.text) {
            options.push_back({key, true, [&record, text](const std::string& value, std::string&) {
                                   record.*text = QString::fromStdString(value);
                                   return true;
                               }});
        } else if (const auto integer = field.integer) {
            // The one whole-number field of a request is its duration, in seconds.
            options.push_back(
                {key, true, [&record, integer, key](const std::string& value, std::string& error) {
                     const auto number = parseInteger(value);
                     if (!number) {
                         error =
                             "--" + key + " needs a whole number of seconds, not '" + value + "'";
                         return false;
                     }
                     record.*integer = *number;
                     return true;
                 }});
        } else {
            for (const bool on : {true, false}) {
                options.push_back(
                    {on ? key : "no-" + key, false,
                     [&record, flag = field.flag, on](const std::string&, std::string&) {
                         record.*flag = on;
                         return true;
                     }});
            }
        }
    }
    options.push_back(flagOption("json", into.json));
    options.push_back(textOption("agent", into.agent));
    return options;
}

int runShow(std::span<char* const> args) {
    ShowRequest asked;
    asked.record.op = QStringLiteral("show");
    asked.record.id = QStringLiteral("ctl-%1").arg(::getpid());
    if (const auto status = parseCommandLine("show", usageText(), args, showOptions(asked))) {
        return *status;
    }
    const PipeMsg& request = asked.record;
    PipeMsg hello;
    hello.op = QStringLiteral("hello");
    std::string error;

    AgentHost host;
    if (!launchAgent(host, asked.agent, std::nullopt, error)) {
        return failure(error);
    }

    enum class Stage { connecting, showing, waiting } stage = Stage::connecting;
    auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    for (;;) {
        const auto event =
            stage == Stage::waiting ? host.next(std::chrono::hours(24)) : host.next(deadline);
        switch (event.kind) {
            case HostEvent::Kind::connected:
                if (stage != Stage::connecting) {
                    break;
                }
                // With the JSON record wanted whole, the agent is asked for its reasons too.
                if ((asked.json && !host.send(hello.encode())) || !host.send(request.encode())) {
                    return failure("cannot send the request to the agent");
                }
                stage = Stage::showing;
                deadline = std::chrono::steady_clock::now() + kWaitLimit;
                break;
            case HostEvent::Kind::line: {
                const auto record = PipeMsg::decode(event.text);
                if (!record || record->id != request.id || !record->ev) {
                    break;
                }
                // A held card has no time limit to show: it waits for the person.
                if (*record->ev == QLatin1String("ready") || *record->ev == QLatin1String("held")) {
                    stage = Stage::waiting;
                } else if (*record->ev == QLatin1String("result") && record->code) {
                    if (asked.json) {
                        std::printf("%s\n", event.text.c_str());
                        std::fflush(stdout);
                    }
                    const auto code = *record->code;
                    return code >= 0 && code <= 125 ? static_cast<int>(code) : kExitFailure;
                }
                break;
            }
            case HostEvent::Kind::disconnected:
                if (stage != Stage::connecting) {
                    return failure("the agent closed the connection before the card " +
                                   std::string(stage == Stage::showing ? "was shown" : "ended"));
                }
                break;
            case HostEvent::Kind::agentExited:
                return failure(stage == Stage::connecting
                                   ? "the agent exited before connecting; is there a display?"
                                   : "the agent exited before the card ended");
            case HostEvent::Kind::signal:
                return signalExitStatus(event.number);
            case HostEvent::Kind::timeout:
                if (stage == Stage::waiting) {
                    break;
                }
                return failure(stage == Stage::connecting
                                   ? "the agent did not connect within " + waitLimitText()
                                   : "the agent did not show the card within " + waitLimitText() +
                                         " (no screen?)");
            case HostEvent::Kind::input:
            case HostEvent::Kind::inputClosed:
                break;
        }
    }
}

}  // namespace wystrand::ctl

#include <unistd.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "core/message/Protocol.h"
#include "tools/ctl/AgentHost.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"

namespace wystrand::ctl {

namespace {

constexpr const char* kUsage =
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
    "  --id ID             the card's identifier (default ctl-<process id>)\n"
    "  --json              print the result record as a JSON line\n"
    "  --agent PATH        the agent to start (default: wystrand-notify beside this\n"
    "                      program, else on PATH)\n"
    "  --help              show this help and exit\n"
    "\n"
    "Exit status: the card's code; 1 when the agent cannot start, does not connect within\n"
    "5 s or does not show the card (no screen); 64 for a usage error.\n";

constexpr OptionSpec kOptions[] = {
    {"mode", true},   {"type", true},      {"locale", true},    {"eyebrow", true},
    {"title", true},  {"message", true},   {"primary", true},   {"secondary", true},
    {"skip", true},   {"detail", true},    {"placement", true}, {"duration", true},
    {"sound", false}, {"no-sound", false}, {"variant", true},   {"id", true},
    {"json", false},  {"agent", true},     {"help", false},
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "wystrand-notify-ctl show: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

int failure(const std::string& message) {
    printError(message.c_str());
    return kExitFailure;
}

}  // namespace

int runShow(std::span<char* const> args) {
    std::string error;
    const auto options = parseOptions(args, kOptions, error);
    if (!options) {
        return usageError(error);
    }

    PipeMsg request;
    request.op = QStringLiteral("show");
    request.id = QStringLiteral("ctl-%1").arg(::getpid());
    bool json = false;
    std::optional<std::string> agentOption;
    for (const auto& [name, value] : *options) {
        const QString text = QString::fromStdString(value);
        if (name == "help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (name == "duration") {
            const auto seconds = parseInteger(value);
            if (!seconds) {
                return usageError("--duration needs a whole number of seconds, not '" + value +
                                  "'");
            }
            request.duration = *seconds;
        } else if (name == "sound" || name == "no-sound") {
            request.sound = name == "sound";
        } else if (name == "json") {
            json = true;
        } else if (name == "agent") {
            agentOption = value;
        } else if (name == "id") {
            request.id = text;
        } else {
            std::optional<QString>* field = name == "mode"        ? &request.mode
                                            : name == "type"      ? &request.type
                                            : name == "locale"    ? &request.locale
                                            : name == "eyebrow"   ? &request.eyebrow
                                            : name == "title"     ? &request.title
                                            : name == "message"   ? &request.message
                                            : name == "primary"   ? &request.primary
                                            : name == "secondary" ? &request.secondary
                                            : name == "skip"      ? &request.skip
                                            : name == "detail"    ? &request.detail
                                            : name == "placement" ? &request.placement
                                                                  : &request.variant;
            *field = text;
        }
    }

    AgentHost host;
    if (!launchAgent(host, agentOption, std::nullopt, error)) {
        return failure(error);
    }

    enum class Stage { connecting, showing, waiting } stage = Stage::connecting;
    auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    for (;;) {
        const auto event =
            stage == Stage::waiting ? host.next(std::chrono::hours(24)) : host.next(deadline);
        switch (event.kind) {
            case HostEvent::Kind::connected:
                if (stage != Stage::connecting) {
                    break;
                }
                if (!host.send(request.encode())) {
                    return failure("cannot send the request to the agent");
                }
                stage = Stage::showing;
                deadline = std::chrono::steady_clock::now() + kReadyTimeout;
                break;
            case HostEvent::Kind::line: {
                const auto record = PipeMsg::decode(event.text);
                if (!record || record->id != request.id || !record->ev) {
                    break;
                }
                if (*record->ev == QLatin1String("ready")) {
                    stage = Stage::waiting;
                } else if (*record->ev == QLatin1String("result") && record->code) {
                    if (json) {
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
                                   ? "the agent did not connect within 5 s"
                                   : "the agent did not show the card within 5 s (no screen?)");
            case HostEvent::Kind::input:
            case HostEvent::Kind::inputClosed:
                break;
        }
    }
}

}  // namespace wystrand::ctl

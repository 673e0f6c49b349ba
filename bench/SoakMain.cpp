// wystrand-soak: many cards, controller crashes and hostile input against one agent, on a
// private X server and private buses. Prints what it measured; exits 1 when a check failed.
// Run it through scripts/soak.
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/Figures.h"
#include "bench/Harness.h"
#include "bench/ProcStats.h"
#include "bench/Process.h"
#include "support/PrivateServers.h"

namespace {

using wystrand::PipeMsg;
using namespace wystrand::bench;
using namespace std::chrono_literals;

struct Options {
    std::string agent;
    int cards = 10000;
    int baselineAfter = 1000;
    int inFlight = 30;
    int cycles = 100;
};

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("  %s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    failures += ok ? 0 : 1;
}

std::string mb(long kb) {
    return fixed(static_cast<double>(kb) / 1024.0, 2) + " MB";
}

QString qid(const std::string& s) {
    return QString::fromStdString(s);
}

// Waits until every card has ended and the agent has settled; its resident size then.
long quietRss(Harness& h, pid_t agent, const std::function<bool()>& drained) {
    h.pumpUntil(drained, 60s);
    h.pumpFor(1500ms);
    return rssKb(agent);
}

// Cards shown and ended through the socket, `inFlight` at a time: the three modes, durations
// 0 and 1, a quarter of them dismissed at a random moment, a ping after every tenth.
void soakCards(Harness& h, pid_t agent, const Options& o) {
    std::printf("cards: %d shown, at most %d at once\n", o.cards, o.inFlight);
    h.clear();
    std::mt19937 rng(5);
    struct Card {
        int ready = 0;
        int result = 0;
    };
    std::map<QString, Card> cards;
    std::set<QString> open;
    std::multimap<Clock::time_point, QString> dismissals;
    int shown = 0;
    int pings = 0;
    long pongs = 0;
    long baselineKb = 0;
    long peakKb = 0;
    std::vector<std::pair<int, long>> samples;
    std::size_t scanned = 0;
    const auto start = Clock::now();

    auto consume = [&] {
        for (; scanned < h.received.size(); ++scanned) {
            const PipeMsg& m = h.received[scanned].msg;
            if (m.ev == u"pong") {
                ++pongs;
            } else if (m.id && m.ev == u"ready") {
                ++cards[*m.id].ready;
            } else if (m.id && m.ev == u"result") {
                ++cards[*m.id].result;
                open.erase(*m.id);
            }
        }
        // Keeps memory flat over ten thousand cards.
        if (scanned > 4096) {
            h.received.erase(h.received.begin(), h.received.begin() + std::ptrdiff_t(scanned));
            h.changes.clear();
            scanned = 0;
        }
    };

    while (shown < o.cards || !open.empty()) {
        while (shown < o.cards && static_cast<int>(open.size()) < o.inFlight) {
            const std::string id = "soak-" + std::to_string(shown);
            static const char* modes[] = {"alert", "info", "countdown"};
            const std::string line = R"({"op":"show","id":")" + id + R"(","mode":")" +
                                     modes[rng() % 3] + R"(","locale":"en","duration":)" +
                                     std::to_string(rng() % 2) + "}";
            h.controller.sendLine(line);
            open.insert(qid(id));
            cards[qid(id)];
            if (rng() % 4 == 0) {
                dismissals.emplace(Clock::now() + std::chrono::milliseconds(rng() % 600), qid(id));
            }
            if (++shown % 10 == 0) {
                h.controller.sendLine(R"({"op":"ping"})");
                ++pings;
            }
            if (shown == o.baselineAfter) {
                baselineKb = quietRss(h, agent, [&] {
                    consume();
                    return open.empty();
                });
                std::printf("  resident after the first %d cards: %s\n", shown,
                            mb(baselineKb).c_str());
            }
            if (shown % 1000 == 0) {
                samples.emplace_back(shown, rssKb(agent));
            }
        }
        h.pumpUntil([&] { return h.received.size() > scanned; }, 20ms);
        consume();
        peakKb = std::max(peakKb, rssKb(agent));
        while (!dismissals.empty() && dismissals.begin()->first <= Clock::now()) {
            h.controller.sendLine(R"({"op":"dismiss","id":")" +
                                  dismissals.begin()->second.toStdString() + R"("})");
            dismissals.erase(dismissals.begin());
        }
        if (h.peerClosed || Clock::now() - start > std::chrono::hours(2)) {
            break;
        }
    }
    const long finalKb = quietRss(h, agent, [&] {
        consume();
        return pongs >= pings;
    });
    const double minutes = std::chrono::duration<double>(Clock::now() - start).count() / 60;

    int badReady = 0;
    int badResult = 0;
    for (const auto& [id, card] : cards) {
        badReady += card.ready != 1;
        badResult += card.result != 1;
    }
    std::string trace;
    for (const auto& [n, kb] : samples) {
        trace += " " + std::to_string(n / 1000) + "k:" + fixed(double(kb) / 1024, 1);
    }
    std::printf("  %d cards in %.1f min; resident MB by cards shown:%s; peak %s\n", shown, minutes,
                trace.c_str(), mb(peakKb).c_str());
    check(badReady == 0,
          "every card sent \"ready\" exactly once (" + std::to_string(badReady) + " did not)");
    check(badResult == 0,
          "every card sent \"result\" exactly once (" + std::to_string(badResult) + " did not)");
    check(pongs == pings,
          "every ping answered (" + std::to_string(pongs) + " of " + std::to_string(pings) + ")");
    const long drift = finalKb - baselineKb;
    check(baselineKb > 0 && drift <= 2048,
          "resident at the end " + mb(finalKb) + ", " + (drift >= 0 ? "+" : "") + mb(drift) +
              " from after the first " + std::to_string(o.baselineAfter) + " (at most +2 MB)");
}

// The controller crashes (its sockets closed, its socket file removed) and comes back after a
// random delay of up to 1.5 s. The agent retries 2.0 s after it noticed, so every reconnect
// should come 2.0 s after the crash.
void soakReconnects(Harness& h, const Options& o) {
    std::printf("controller crash and restart: %d cycles\n", o.cycles);
    std::mt19937 rng(7);
    std::vector<double> gaps;
    int lostOrTwice = 0;
    int strayEvents = 0;
    int failedCycles = 0;
    for (int cycle = 0; cycle < o.cycles; ++cycle) {
        h.clear();
        const std::string a = "cycle-" + std::to_string(cycle) + "-a";
        const std::string b = "cycle-" + std::to_string(cycle) + "-b";
        h.controller.sendLine(R"({"op":"show","id":")" + a + R"(","mode":"info","duration":0})");
        h.controller.sendLine(R"({"op":"show","id":")" + b + R"(","mode":"alert","duration":1})");
        const bool ended = h.pumpUntil(
            [&] { return h.count("result", qid(a)) > 0 && h.count("result", qid(b)) > 0; }, 10s);
        h.pumpFor(100ms);
        for (const auto& id : {a, b}) {
            lostOrTwice += h.count("ready", qid(id)) != 1 || h.count("result", qid(id)) != 1;
        }
        // Anything about an earlier cycle's card would have been kept over a disconnect.
        for (const Received& r : h.received) {
            if (r.msg.id && !r.msg.id->startsWith(qid("cycle-" + std::to_string(cycle) + "-"))) {
                ++strayEvents;
            }
        }
        // A card still on screen at the crash: its result must not follow over the next link.
        h.controller.sendLine(R"({"op":"show","id":"cycle-)" + std::to_string(cycle) +
                              R"(-late","mode":"info","duration":1})");
        h.pumpUntil([&] { return h.count("ready") >= 3; }, 5s);

        const auto crashed = Clock::now();
        h.controller.dropPeer();
        h.controller.stopListening();
        std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 1500));
        h.controller.listen();
        const auto accepted = h.controller.accept(10s);
        h.peerClosed = false;
        if (!ended || !accepted) {
            ++failedCycles;
            continue;
        }
        gaps.push_back(std::chrono::duration<double>(*accepted - crashed).count());
    }
    h.clear();
    h.pumpFor(1200ms);
    for (const Received& r : h.received) {
        strayEvents += r.msg.id.has_value();
    }
    const auto [minGap, maxGap] = std::minmax_element(gaps.begin(), gaps.end());
    const Summary s = summarize(gaps);
    if (!gaps.empty()) {
        std::printf("  reconnect after the crash: min %.3f s, median %.3f s, max %.3f s\n", *minGap,
                    s.median, *maxGap);
    }
    check(
        failedCycles == 0 && !gaps.empty() && *minGap >= 1.7 && *maxGap <= 2.3,
        "every reconnect within 2.0 ± 0.3 s (" + std::to_string(failedCycles) + " cycles failed)");
    check(lostOrTwice == 0,
          "no card lost or reported twice while connected (" + std::to_string(lostOrTwice) + ")");
    check(strayEvents == 0,
          "nothing from a card of an earlier connection (" + std::to_string(strayEvents) + ")");
}

bool answersPing(Harness& h) {
    if (h.controller.peerFd() < 0 || h.peerClosed) {
        h.peerClosed = false;
        if (!h.controller.accept(5s)) {
            return false;
        }
    }
    return h.ping(10s).has_value();
}

void soakFaults(Harness& h, Process& agent) {
    std::printf("hostile input\n");
    std::mt19937 rng(11);

    // A 4 MiB request of each kind that matters: one the I/O thread answers, and a card whose
    // texts are 4 MiB long, which the main thread must lay out.
    const std::string pad(4 << 20, 'a');
    h.clear();
    auto sent = Clock::now();
    h.controller.sendLine(R"({"op":"ping","pad":")" + pad + R"("})");
    const bool bigPing = h.pumpUntil([&] { return h.count("pong") > 0; }, 30s);
    check(bigPing, "a 4 MiB ping line is answered (" + fixed(ms(Clock::now() - sent), 0) + " ms)");
    h.clear();
    sent = Clock::now();
    h.controller.sendLine(R"({"op":"show","id":"huge","mode":"info","duration":0,"title":")" +
                          pad.substr(0, 1 << 20) + R"(","message":")" + pad + R"("})");
    const bool hugeCard = h.pumpUntil([&] { return h.count("result", qid("huge")) > 0; }, 60s);
    const double hugeMs = ms(Clock::now() - sent);
    check(hugeCard && hugeMs < 5000, "a card with a 4 MiB message shows and ends within 5 s (" +
                                         fixed(hugeMs, 0) + " ms to its result)");
    check(answersPing(h) && agent.running(), "the agent lives and answers the next ping");

    // 1 MiB of random bytes, line feeds included, then a line feed to end whatever was open.
    std::string noise(1 << 20, '\0');
    for (char& c : noise) {
        c = static_cast<char>(rng());
    }
    h.controller.send(noise + "\n");
    check(answersPing(h) && agent.running(), "after 1 MiB of random bytes: alive, answers a ping");

    // The peer vanishes in the middle of its own write: half a record, then the connection goes.
    h.controller.send(R"({"op":"show","id":"half","mode":"al)");
    h.controller.dropPeer();
    h.peerClosed = true;
    h.clear();
    const bool back = answersPing(h);
    h.pumpFor(500ms);
    check(back && agent.running() && h.count("ready", qid("half")) == 0,
          "after a peer vanished mid-record: reconnected, answers a ping, the half record ignored");

    // The peer vanishes while the agent writes to it: pings pile up unanswered until the socket is
    // full and the pongs wait in the agent's backlog, then the connection goes.
    std::string pings;
    for (int i = 0; i < 200000; ++i) {
        pings += "{\"op\":\"ping\"}\n";
    }
    const int fd = h.controller.peerFd();
    std::size_t written = 0;
    const auto until = Clock::now() + 5s;
    while (written < pings.size() && Clock::now() < until) {
        const ssize_t n =
            ::send(fd, pings.data() + written, pings.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else {
            std::this_thread::sleep_for(1ms);
        }
    }
    h.controller.dropPeer();
    h.peerClosed = true;
    h.clear();
    check(answersPing(h) && agent.running(), "after a peer vanished while the agent wrote (" +
                                                 std::to_string(written / 14) +
                                                 " pings unread): reconnected, answers a ping");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    bool cardsOn = true;
    bool cyclesOn = true;
    bool faultsOn = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (arg == "--agent" && i + 1 < argc) {
            o.agent = argv[++i];
        } else if (arg == "--quick") {
            o.cards = 1000;
            o.baselineAfter = 200;
            o.cycles = 5;
        } else if (arg == "--cards") {
            o.cards = next();
            o.baselineAfter = std::max(1, o.cards / 10);
        } else if (arg == "--cycles") {
            o.cycles = next();
        } else if (arg == "--only") {
            const std::string which = i + 1 < argc ? argv[++i] : "";
            cardsOn = which == "cards";
            cyclesOn = which == "reconnect";
            faultsOn = which == "faults";
        } else {
            o.agent.clear();
            break;
        }
    }
    if (o.agent.empty() || o.cards <= 0 || o.cycles <= 0) {
        std::fputs(
            "usage: wystrand-soak --agent PATH [--quick] [--cards N] [--cycles N]"
            " [--only cards|reconnect|faults]\n",
            stderr);
        return 64;
    }
    ::signal(SIGPIPE, SIG_IGN);

    wystrand::test::XvfbServer xvfb;
    wystrand::test::PrivateBus buses;
    const std::string display = xvfb.start();
    if (display.empty() || !buses.start()) {
        std::fputs("wystrand-soak: Xvfb or dbus-daemon did not start\n", stderr);
        return 1;
    }
    char dirTemplate[] = "/tmp/wystrand-soak-XXXXXX";
    const std::string dir = ::mkdtemp(dirTemplate);
    Controller controller(dir + "/agent.sock");
    Process agent;
    if (!agent.start({o.agent, "--pipe", controller.path()},
                     {{"DISPLAY", display},
                      {"DBUS_SESSION_BUS_ADDRESS", buses.sessionAddress()},
                      {"DBUS_SYSTEM_BUS_ADDRESS", buses.systemAddress()},
                      {"WAYLAND_DISPLAY", std::nullopt},
                      {"QT_QPA_PLATFORM", std::nullopt}}) ||
        !controller.accept(10s)) {
        std::fputs("wystrand-soak: the agent did not connect\n", stderr);
        return 1;
    }
    Harness h(controller);
    h.ping();
    std::printf("agent resident at start: %s\n", mb(rssKb(agent.pid())).c_str());

    if (cardsOn) {
        soakCards(h, agent.pid(), o);
    }
    if (cyclesOn && agent.running()) {
        soakReconnects(h, o);
    }
    if (faultsOn && agent.running()) {
        soakFaults(h, agent);
    }
    check(agent.running(), "the agent is still running");
    std::printf("agent resident at the end: %s\n", mb(rssKb(agent.pid())).c_str());
    agent.stop();
    std::filesystem::remove_all(dir);
    std::printf("%s: %d check%s failed\n", failures == 0 ? "soak passed" : "soak FAILED", failures,
                failures == 1 ? "" : "s");
    return failures == 0 ? 0 : 1;
}

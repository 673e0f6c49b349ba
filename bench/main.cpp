// wystrand-bench: measures the agent side by side with a plain C peer and with dunst, on a
// private X server and private buses, and prints one table. Run it through scripts/bench.
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/DunstClient.h"
#include "bench/Figures.h"
#include "bench/Harness.h"
#include "bench/Measures.h"
#include "bench/Process.h"
#include "bench/RootWatcher.h"
#include "bench/ScreenChoice.h"
#include "support/PrivateServers.h"

namespace {

using namespace wystrand::bench;
using namespace std::chrono_literals;

struct Options {
    std::string agent;
    std::string echoPeer;
    bool dunst = true;
    int cards = 200;
    int pings = 10000;
    int idleSeconds = 60;
    int burst = 500;
    int startups = 10;
};

const char kUsage[] =
    "usage: wystrand-bench --agent PATH --echo PATH [--quick] [--no-dunst] [--cards N]\n"
    "                      [--pings N] [--idle SECONDS] [--burst N] [--startups N]\n";

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& into) {
            const char* v = value();
            into = v != nullptr ? std::atoi(v) : 0;
            return into > 0;
        };
        if (arg == "--agent") {
            const char* v = value();
            o.agent = v != nullptr ? v : "";
        } else if (arg == "--echo") {
            const char* v = value();
            o.echoPeer = v != nullptr ? v : "";
        } else if (arg == "--no-dunst") {
            o.dunst = false;
        } else if (arg == "--quick") {
            o.cards = 50;
            o.pings = 2000;
            o.idleSeconds = 10;
            o.burst = 100;
            o.startups = 3;
        } else if (!((arg == "--cards" && number(o.cards)) ||
                     (arg == "--pings" && number(o.pings)) ||
                     (arg == "--idle" && number(o.idleSeconds)) ||
                     (arg == "--burst" && number(o.burst)) ||
                     (arg == "--startups" && number(o.startups)))) {
            return false;
        }
    }
    return !o.agent.empty() && !o.echoPeer.empty();
}

void progress(const char* what) {
    std::fprintf(stderr, "bench: %s\n", what);
}

std::string msCell(const Summary& s) {
    return fixed(s.median, 2) + " / " + fixed(s.p99, 2) + " ms";
}

std::string mb(long kb) {
    return fixed(static_cast<double>(kb) / 1024.0, 1) + " MB";
}

std::string wakeupCell(const Idle& idle) {
    std::string out = std::to_string(idle.wakeups.total) + " (";
    for (std::size_t i = 0; i < idle.wakeups.byThread.size(); ++i) {
        out += (i != 0 ? ", " : "") + idle.wakeups.byThread[i].first + " " +
               std::to_string(idle.wakeups.byThread[i].second);
    }
    out += ")";
    if (idle.wakeups.preempted > 0) {
        out += "; preempted " + std::to_string(idle.wakeups.preempted) + "×";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 64;
    }
    QCoreApplication app(argc, argv);

    wystrand::test::XvfbServer xvfb;
    wystrand::test::PrivateBus buses;
    const std::string display = xvfb.start();
    if (display.empty() || !buses.start()) {
        std::fputs("wystrand-bench: Xvfb or dbus-daemon did not start\n", stderr);
        return 1;
    }
    const EnvChanges env{{"DISPLAY", display},
                         {"DBUS_SESSION_BUS_ADDRESS", buses.sessionAddress()},
                         {"DBUS_SYSTEM_BUS_ADDRESS", buses.systemAddress()},
                         {"WAYLAND_DISPLAY", std::nullopt},
                         {"QT_QPA_PLATFORM", std::nullopt},
                         {"XDG_SESSION_ID", std::nullopt}};

    char dirTemplate[] = "/tmp/wystrand-bench-XXXXXX";
    const std::string dir = ::mkdtemp(dirTemplate);
    const std::vector<std::string> agentArgv{o.agent, "--pipe", dir + "/agent.sock"};

    RootWatcher watcher;
    if (!watcher.open(display)) {
        std::fputs("wystrand-bench: cannot watch the X server\n", stderr);
        return 1;
    }

    progress("exec → connected, exec → first pong");
    const Startup startup = measureStartup(o.agent, env, dir + "/startup.sock", o.startups);

    Controller controller(dir + "/agent.sock");
    Process agent;
    if (!agent.start(agentArgv, env) || !controller.accept(10s)) {
        std::fputs("wystrand-bench: the agent did not connect\n", stderr);
        return 1;
    }
    Harness h(controller, &watcher);
    h.ping();
    h.pumpFor(1s);

    // The X server's idle time counts from its start, and the agent takes the person for away
    // after 120 s without input: input just before each idle measure keeps that change out of it.
    const auto personActive = [&] {
        std::system(
            ("DISPLAY=" + display + " xdotool mousemove_relative -- 1 1 >/dev/null 2>&1").c_str());
        h.pumpFor(1s);
    };
    progress("idle, no card");
    personActive();
    const Idle idle = measureIdle(h, agent.pid(), std::chrono::seconds(o.idleSeconds));

    // The person's context told to a controller that asks; nothing changes meanwhile.
    progress("idle, no card, a controller watching");
    h.controller.sendLine(R"({"op":"watch"})");
    h.pumpUntil([&] { return h.count("free") + h.count("busy") > 0; }, 5s);
    personActive();
    const Idle watched = measureIdle(h, agent.pid(), std::chrono::seconds(o.idleSeconds));

    progress("resident memory with 1, 10 and 50 cards");
    const Memory memory = measureMemory(h, agent.pid(), {1, 10, 50});

    progress("idle with one countdown card");
    h.controller.sendLine(R"({"op":"show","id":"idle-countdown","mode":"countdown","duration":)" +
                          std::to_string(o.idleSeconds + 30) + "}");
    h.pumpUntil([&] { return h.count("ready", QStringLiteral("idle-countdown")) > 0; }, 10s);
    personActive();
    const Idle countdownIdle = measureIdle(h, agent.pid(), std::chrono::seconds(o.idleSeconds));
    h.controller.sendLine(R"({"op":"dismiss","id":"idle-countdown"})");
    h.pumpUntil([&] { return h.count("result", QStringLiteral("idle-countdown")) > 0; }, 10s);
    h.clear();

    progress("ping → pong against the C echo peer");
    Controller floorController(dir + "/floor.sock");
    Process echoPeer;
    std::optional<Clock::time_point> floorUp;
    if (echoPeer.start({o.echoPeer, floorController.path()})) {
        floorUp = floorController.accept(5s);
    }
    Harness floor(floorController);
    RoundTrips pings;
    RoundTrips freePings;
    if (floorUp) {
        pings = measurePing(h, agent.pid(), floor, echoPeer.pid(), o.pings, true);
        freePings = measurePing(h, agent.pid(), floor, echoPeer.pid(), o.pings, false);
    }

    Process dunstProcess;
    std::unique_ptr<DunstClient> dunst;
    QString dunstName;
    if (o.dunst) {
        progress("starting dunst");
        if (dunstProcess.start({"dunst"}, env)) {
            dunst = std::make_unique<DunstClient>(QString::fromStdString(buses.sessionAddress()));
            for (int i = 0; i < 100 && !dunst->serverPresent(); ++i) {
                std::this_thread::sleep_for(50ms);
            }
            if (dunst->serverPresent()) {
                dunstName = dunst->serverName();
            } else {
                dunst.reset();
            }
        }
    }
    progress("show → ready, show → window in place, show → drawn");
    // Drawing counted from the windows' own pixels: a card slides in from beyond the screen's
    // edge, so the screen shows it only from its first frame of motion on (the next row).
    const bool ownPixels = watcher.redirectWindows(true);
    const Latency latency = measureLatency(h, dunst.get(), o.cards, 10);
    watcher.redirectWindows(false);
    h.clear();
    progress("show → first pixels on screen");
    const Latency onScreen = measureLatency(h, dunst.get(), std::max(o.cards / 4, 10), 5);
    h.clear();
    dunstProcess.stop();

    progress("show → ready on two monitors");
    const ScreenChoice screens = measureScreenChoice(o.agent, env, dir, o.cards);

    progress("burst of show requests");
    const Burst burst = measureBurst(h, agent.pid(), o.burst, 180s);
    h.pumpFor(1500ms);
    const long afterBurstKb = rssKb(agent.pid());
    const bool agentAlive = agent.running();

    // The table.
    Table t;
    const Summary ready = summarize(latency.readyMs);
    const Summary placed = summarize(latency.placedMs);
    const Summary dunstPlaced = summarize(latency.dunstPlacedMs);
    const Summary drawn = summarize(latency.drawnMs);
    const Summary dunstDrawn = summarize(latency.dunstDrawnMs);
    const Summary shown = summarize(onScreen.drawnMs);
    const Summary dunstShown = summarize(onScreen.dunstDrawnMs);
    const Summary ping = summarize(pings.agentUs);
    const Summary pingFloor = summarize(pings.floorUs);
    const Summary freePing = summarize(freePings.agentUs);
    const Summary freePingFloor = summarize(freePings.floorUs);

    t.section("ratios");
    if (dunst) {
        const double r50 = placed.median / dunstPlaced.median;
        const double r99 = placed.p99 / dunstPlaced.p99;
        t.row("show → window in place, ours / dunst (median)", fixed(placed.median, 2) + " ms",
              fixed(dunstPlaced.median, 2) + " ms", fixed(r50, 2) + "×", "≤ 0.80×",
              verdict(r50 <= 0.8));
        t.row("show → window in place, ours / dunst (p99)", fixed(placed.p99, 2) + " ms",
              fixed(dunstPlaced.p99, 2) + " ms", fixed(r99, 2) + "×");
        if (!latency.drawnMs.empty() && !latency.dunstDrawnMs.empty()) {
            const double d50 = drawn.median / dunstDrawn.median;
            t.row("show → drawn, ours / dunst (median)", fixed(drawn.median, 2) + " ms",
                  fixed(dunstDrawn.median, 2) + " ms", fixed(d50, 2) + "×", "≤ 0.50×",
                  verdict(d50 <= 0.5));
            t.row("show → drawn, ours / dunst (p99)", fixed(drawn.p99, 2) + " ms",
                  fixed(dunstDrawn.p99, 2) + " ms", fixed(drawn.p99 / dunstDrawn.p99, 2) + "×");
        }
    } else {
        t.row("show → window in place, ours / dunst", fixed(placed.median, 2) + " ms",
              "dunst absent");
    }
    if (!pings.agentUs.empty()) {
        const double r50 = ping.median / pingFloor.median;
        const double r99 = ping.p99 / pingFloor.p99;
        t.row("ping → pong, ours / C peer (median, one CPU)", fixed(ping.median, 1) + " µs",
              fixed(pingFloor.median, 1) + " µs", fixed(r50, 2) + "×", "≤ 1.50×",
              verdict(r50 <= 1.5));
        t.row("ping → pong, ours / C peer (p99, one CPU)", fixed(ping.p99, 1) + " µs",
              fixed(pingFloor.p99, 1) + " µs", fixed(r99, 2) + "×");
        t.row("ping → pong, ours / C peer (median, any CPU)", fixed(freePing.median, 1) + " µs",
              fixed(freePingFloor.median, 1) + " µs",
              fixed(freePing.median / freePingFloor.median, 2) + "×");
    }

    t.section("latency (median / p99)");
    t.row("show → ready at the controller (" + std::to_string(ready.n) + " cards)", msCell(ready),
          "", "", "≤ 1 / ≤ 4 ms", verdict(ready.median <= 1.0 && ready.p99 <= 4.0));
    t.row("show → X window in place (" + std::to_string(placed.n) + " cards)", msCell(placed),
          dunst ? msCell(dunstPlaced) + " (dunst)" : "");
    if (!latency.drawnMs.empty()) {
        t.row(std::string("show → card drawn, ") +
                  (ownPixels ? "window's own pixels (" : "first damage (") +
                  std::to_string(drawn.n) + " cards)",
              msCell(drawn), dunst ? msCell(dunstDrawn) + " (dunst)" : "");
    }
    if (ownPixels && !onScreen.drawnMs.empty()) {
        t.row("show → first pixels on screen (" + std::to_string(shown.n) + " cards)",
              msCell(shown), dunst ? msCell(dunstShown) + " (dunst)" : "");
    }
    addRows(t, screens);
    t.row("ping → pong, one CPU (" + std::to_string(ping.n) + ")",
          fixed(ping.median, 1) + " / " + fixed(ping.p99, 1) + " µs",
          fixed(pingFloor.median, 1) + " / " + fixed(pingFloor.p99, 1) + " µs (C peer)");
    t.row("ping → pong, any CPU (" + std::to_string(freePing.n) + ")",
          fixed(freePing.median, 1) + " / " + fixed(freePing.p99, 1) + " µs",
          fixed(freePingFloor.median, 1) + " / " + fixed(freePingFloor.p99, 1) + " µs (C peer)");
    const Summary connected = summarize(startup.connectedMs);
    const Summary firstPong = summarize(startup.firstPongMs);
    t.row("exec → connected (median of " + std::to_string(connected.n) + ")",
          fixed(connected.median, 1) + " ms");
    t.row("exec → first pong (median of " + std::to_string(firstPong.n) + ")",
          fixed(firstPong.median, 1) + " ms");

    t.section("idle");
    const bool onlyHeartbeats = idle.wakeups.total <= idle.heartbeats;
    t.row("wake-ups in " + fixed(idle.seconds, 0) + " s, no card", wakeupCell(idle),
          std::to_string(idle.heartbeats) + " heartbeats", "", "heartbeats only",
          verdict(onlyHeartbeats));
    t.row("CPU in " + fixed(idle.seconds, 0) + " s, no card",
          fixed(idle.cpuSeconds * 1000, 0) + " ms");
    t.row("wake-ups in " + fixed(watched.seconds, 0) + " s, no card, watched", wakeupCell(watched),
          std::to_string(watched.heartbeats) + " heartbeats", "", "heartbeats only",
          verdict(watched.wakeups.total <= watched.heartbeats));
    t.row("wake-ups in " + fixed(countdownIdle.seconds, 0) + " s, one countdown card",
          wakeupCell(countdownIdle), std::to_string(countdownIdle.heartbeats) + " heartbeats");
    t.row("CPU in " + fixed(countdownIdle.seconds, 0) + " s, one countdown card",
          fixed(countdownIdle.cpuSeconds * 1000, 0) + " ms");

    // Most of what is resident is Qt's library code, shared with every Qt program running.
    const auto withPrivate = [](long kb, long privateKb) {
        return mb(kb) + " (" + mb(privateKb) + " private)";
    };
    t.section("memory: resident (private)");
    t.row("idle, before the first card", withPrivate(memory.idleKb, memory.idlePrivateKb));
    t.row("idle, after one card came and went",
          withPrivate(memory.warmIdleKb, memory.warmIdlePrivateKb),
          "+" + mb(memory.warmIdleKb - memory.idleKb) + " over the first");
    long oneKb = memory.warmIdleKb;
    long lastKb = memory.warmIdleKb;
    int lastCards = 0;
    for (std::size_t i = 0; i < memory.withCardsKb.size(); ++i) {
        const auto& [cards, kb] = memory.withCardsKb[i];
        t.row("with " + std::to_string(cards) + (cards == 1 ? " card" : " cards"),
              withPrivate(kb, memory.withCardsPrivateKb[i]),
              "+" + mb(kb - memory.warmIdleKb) + " over idle");
        if (cards == 1) {
            oneKb = kb;
        }
        lastKb = kb;
        lastCards = cards;
    }
    if (lastCards > 1) {
        const double perCard =
            static_cast<double>(lastKb - oneKb) / 1024.0 / static_cast<double>(lastCards - 1);
        t.row("per card (1 → " + std::to_string(lastCards) + " cards)", fixed(perCard, 3) + " MB",
              "", "", "≤ 0.4 MB", verdict(perCard <= 0.4));
    }
    const long back = memory.afterKb - memory.warmIdleKb;
    t.row("after the cards closed", withPrivate(memory.afterKb, memory.afterPrivateKb),
          (back >= 0 ? "+" : "") + mb(back), "", "≤ idle + 2 MB",
          verdict(back <= 2048 && memory.complete));

    t.section("burst of " + std::to_string(burst.cards) + " \"show\", duration 1");
    t.row("every \"ready\" arrived", fixed(burst.allReadyMs, 0) + " ms",
          std::to_string(burst.missingReady) + " missing, " + std::to_string(burst.duplicateReady) +
              " twice");
    t.row("every \"result\" arrived", fixed(burst.allResultsMs, 0) + " ms", "", "",
          "≤ 2500 ms (duration + 1.5 s)", verdict(burst.allResultsMs <= 2500));
    t.row("every record exactly once",
          std::to_string(burst.missingReady + burst.missingResult) + " missing, " +
              std::to_string(burst.duplicateReady + burst.duplicateResult) + " twice",
          "", "", "each exactly once",
          verdict(burst.missingReady + burst.missingResult + burst.duplicateReady +
                      burst.duplicateResult ==
                  0));
    t.row("resident memory: peak", mb(burst.peakRssKb),
          "+" + mb(burst.peakRssKb - burst.idleKb) + " over idle", "", "≤ 150 MB",
          verdict(burst.peakRssKb <= 150 * 1024));
    const long afterBurst = afterBurstKb - burst.idleKb;
    t.row("resident memory: 2.5 s after", mb(afterBurstKb),
          (afterBurst >= 0 ? "+" : "") + mb(afterBurst) + " over idle", "", "≤ idle + 2 MB",
          verdict(afterBurst <= 2048));

    std::printf("Xvfb 1440×875×24 without compositor, private D-Bus; %s\n",
                dunst ? ("reference: " + dunstName.toStdString()).c_str() : "dunst not measured");
    t.print();
    const auto missed = t.missed();
    std::printf("\ntargets: %zu met, %zu missed%s", t.targets() - missed.size(), missed.size(),
                missed.empty() ? "" : ":");
    for (const std::string& m : missed) {
        std::printf("\n  - %s", m.c_str());
    }
    std::printf("\n");
    if (latency.lost + onScreen.lost + pings.lost + freePings.lost > 0 || !agentAlive) {
        std::printf("lost: %d cards, %d pings; agent %s\n", latency.lost + onScreen.lost,
                    pings.lost + freePings.lost, agentAlive ? "alive" : "GONE");
    }
    agent.stop();
    std::filesystem::remove_all(dir);
    return 0;
}

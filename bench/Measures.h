#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "bench/DunstClient.h"
#include "bench/Figures.h"
#include "bench/Harness.h"
#include "bench/ProcStats.h"
#include "bench/Process.h"

namespace wystrand::bench {

// A "show" request for card `id`; the mode cycles through the three with `n`.
std::string showLine(const std::string& id, int n, int duration);

struct Startup {
    std::vector<double> connectedMs;
    std::vector<double> firstPongMs;
};
// Starts the agent `runs` times against a fresh listener on `socketPath` and stops it again.
Startup measureStartup(const std::string& agent, const EnvChanges& env,
                       const std::string& socketPath, int runs);

struct Idle {
    double seconds = 0;
    double cpuSeconds = 0;
    long heartbeats = 0;
    Wakeups wakeups;
};
// Leaves the agent alone for `length`, reading what it sends.
Idle measureIdle(Harness& h, pid_t agent, std::chrono::seconds length);

// Resident sizes, each with the private part of it beside.
struct Memory {
    long idleKb = 0;      // before the first card
    long warmIdleKb = 0;  // after one card has come and gone: fonts and caches loaded
    std::vector<std::pair<int, long>> withCardsKb;  // cards on screen, resident size
    long afterKb = 0;
    long idlePrivateKb = 0;
    long warmIdlePrivateKb = 0;
    std::vector<long> withCardsPrivateKb;
    long afterPrivateKb = 0;
    bool complete = true;
};
Memory measureMemory(Harness& h, pid_t agent, const std::vector<int>& steps);

struct Latency {
    std::vector<double> readyMs;  // show → ready at the controller
    // show → the card's window in place: mapped, or moved from where it waited mapped
    std::vector<double> placedMs;
    std::vector<double> dunstPlacedMs;  // Notify → MapNotify of dunst's window
    std::vector<double> drawnMs;        // show → first drawing into the card's window
    std::vector<double> dunstDrawnMs;   // Notify → first drawing into dunst's window
    int lost = 0;
};
// `cards` cards of ours and, when `dunst` is given, as many of dunst's, in alternating blocks.
Latency measureLatency(Harness& h, DunstClient* dunst, int cards, int warmup);

struct RoundTrips {
    std::vector<double> agentUs;
    std::vector<double> floorUs;
    int lost = 0;
};
// `count` round trips to each peer, in alternating blocks. With `oneCpu`, the bench and both
// peers run on one CPU for the while, so that each wake-up costs the same context switch
// whichever peer it is for; otherwise the scheduler decides, and a wake-up on the other CPU
// costs an inter-processor interrupt that can outweigh all the rest.
RoundTrips measurePing(Harness& agent, pid_t agentPid, Harness& floor, pid_t floorPid, int count,
                       bool oneCpu);

struct Burst {
    int cards = 0;
    double allReadyMs = 0;
    double allResultsMs = 0;
    int missingReady = 0;
    int missingResult = 0;
    int duplicateReady = 0;
    int duplicateResult = 0;
    long idleKb = 0;  // just before the burst
    long peakRssKb = 0;
};
Burst measureBurst(Harness& h, pid_t agent, int cards, std::chrono::seconds timeout);

}  // namespace wystrand::bench

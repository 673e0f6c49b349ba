#include "bench/Measures.h"

#include <sched.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

namespace wystrand::bench {

namespace {

using namespace std::chrono_literals;

QString qid(const std::string& id) {
    return QString::fromStdString(id);
}

const RootWatcher::Change* firstMapped(const Harness& h, std::size_t from) {
    for (std::size_t i = from; i < h.changes.size(); ++i) {
        if (h.changes[i].kind == RootWatcher::Change::mapped) {
            return &h.changes[i];
        }
    }
    return nullptr;
}

// The first drawing (DAMAGE) into the window of `placed` after that change: a resize before a
// card window's move into place is not the card's drawing.
std::optional<Clock::time_point> firstDrawn(const Harness& h, const RootWatcher::Change* placed) {
    if (placed == nullptr) {
        return std::nullopt;
    }
    for (std::size_t i = static_cast<std::size_t>(placed - h.changes.data()) + 1;
         i < h.changes.size(); ++i) {
        if (h.changes[i].kind == RootWatcher::Change::drawn &&
            h.changes[i].window == placed->window) {
            return h.changes[i].at;
        }
    }
    return std::nullopt;
}

// Until the window of `placed` is unmapped: the last frames of a closing card may reach the
// X server after its result has reached the controller.
void awaitUnmap(Harness& h, std::size_t from, std::uint32_t window) {
    h.pumpUntil(
        [&] {
            for (std::size_t i = from; i < h.changes.size(); ++i) {
                if (h.changes[i].kind == RootWatcher::Change::unmapped &&
                    h.changes[i].window == window) {
                    return true;
                }
            }
            return false;
        },
        5s);
}

// Every thread of each process (0: this one) on `cpu`, or on every CPU when `cpu` is -1.
void pinThreads(const std::vector<pid_t>& pids, int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
    for (long i = 0; i < cpus; ++i) {
        if (cpu < 0 || i == cpu) {
            CPU_SET(static_cast<int>(i), &set);
        }
    }
    for (const pid_t pid : pids) {
        const std::string tasks =
            "/proc/" + (pid == 0 ? std::string("self") : std::to_string(pid)) + "/task";
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
            ::sched_setaffinity(std::stoi(entry.path().filename().string()), sizeof set, &set);
        }
    }
}

}  // namespace

std::string showLine(const std::string& id, int n, int duration) {
    static const std::array<const char*, 3> modes{"alert", "info", "countdown"};
    static const std::array<const char*, 3> types{"eye", "water", "exercise"};
    return R"({"op":"show","id":")" + id + R"(","mode":")" + modes[n % 3] + R"(","type":")" +
           types[n % 3] + R"(","locale":"en","duration":)" + std::to_string(duration) + "}";
}

Startup measureStartup(const std::string& agentPath, const EnvChanges& env,
                       const std::string& socketPath, int runs) {
    Startup s;
    for (int i = 0; i < runs; ++i) {
        Controller controller(socketPath);
        Harness h(controller);
        Process agent;
        const auto exec = Clock::now();
        if (!agent.start({agentPath, "--pipe", socketPath}, env)) {
            break;
        }
        const auto accepted = controller.accept(10s);
        if (!accepted) {
            continue;
        }
        const auto rtt = h.ping(10s);
        s.connectedMs.push_back(ms(*accepted - exec));
        if (rtt) {
            s.firstPongMs.push_back(ms(*accepted + *rtt - exec));
        }
        agent.stop();
    }
    return s;
}

Idle measureIdle(Harness& h, pid_t agent, std::chrono::seconds length) {
    Idle idle;
    const std::size_t from = h.received.size();
    const ProcSample before = sampleProcess(agent);
    const auto start = Clock::now();
    h.pumpFor(length);
    const ProcSample after = sampleProcess(agent);
    idle.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    idle.cpuSeconds = cpuSeconds(before, after);
    idle.heartbeats = static_cast<long>(h.count("hb", std::nullopt, from));
    idle.wakeups = wakeupsBetween(before, after);
    return idle;
}

Memory measureMemory(Harness& h, pid_t agent, const std::vector<int>& steps) {
    Memory m;
    h.pumpFor(500ms);
    m.idleKb = rssKb(agent);
    m.idlePrivateKb = privateKb(agent);
    {
        const std::size_t from = h.received.size();
        h.controller.sendLine(showLine("mem-warm", 0, 3600));
        h.pumpUntil([&] { return h.count("ready", std::nullopt, from) > 0; }, 10s);
        h.pumpFor(700ms);
        h.controller.sendLine(R"({"op":"dismiss","id":"mem-warm"})");
        m.complete = h.pumpUntil([&] { return h.count("result", std::nullopt, from) > 0; }, 10s);
        h.pumpFor(1500ms);
        m.warmIdleKb = rssKb(agent);
        m.warmIdlePrivateKb = privateKb(agent);
    }
    int shown = 0;
    for (const int target : steps) {
        const std::size_t from = h.received.size();
        const int first = shown;
        for (; shown < target; ++shown) {
            h.controller.sendLine(showLine("mem-" + std::to_string(shown), shown, 3600));
        }
        const bool ready = h.pumpUntil(
            [&] { return h.count("ready", std::nullopt, from) >= std::size_t(target - first); },
            30s);
        m.complete = m.complete && ready;
        // The slide-in has ended and every animation has released what it held.
        h.pumpFor(700ms);
        m.withCardsKb.emplace_back(target, rssKb(agent));
        m.withCardsPrivateKb.push_back(privateKb(agent));
    }
    const std::size_t from = h.received.size();
    for (int i = 0; i < shown; ++i) {
        h.controller.sendLine(R"({"op":"dismiss","id":"mem-)" + std::to_string(i) + R"("})");
    }
    m.complete =
        h.pumpUntil([&] { return h.count("result", std::nullopt, from) >= std::size_t(shown); },
                    30s) &&
        m.complete;
    h.pumpFor(1500ms);
    m.afterKb = rssKb(agent);
    m.afterPrivateKb = privateKb(agent);
    return m;
}

Latency measureLatency(Harness& h, DunstClient* dunst, int cards, int warmup) {
    Latency l;
    const bool drawing = h.watcher != nullptr && h.watcher->seesDrawing();
    int n = 0;
    // The changes are read through indices: the vector grows while the harness pumps.
    auto ours = [&](bool keep) {
        const std::string id = "lat-" + std::to_string(n);
        const QString key = qid(id);
        const std::size_t from = h.received.size();
        const std::size_t changesFrom = h.changes.size();
        const std::string line = showLine(id, n++, 600) + "\n";
        const auto sent = Clock::now();
        h.controller.send(line);
        const bool both = h.pumpUntil(
            [&] {
                return h.count("ready", key, from) > 0 && h.firstPlaced(changesFrom) &&
                       (!drawing || firstDrawn(h, h.firstPlaced(changesFrom)));
            },
            5s);
        if (!both) {
            ++l.lost;
            return;
        }
        const RootWatcher::Change placed = *h.firstPlaced(changesFrom);
        if (keep) {
            l.readyMs.push_back(ms(*h.firstAt("ready", key, from) - sent));
            l.placedMs.push_back(ms(placed.at - sent));
            if (drawing) {
                l.drawnMs.push_back(ms(*firstDrawn(h, h.firstPlaced(changesFrom)) - sent));
            }
        }
        h.controller.sendLine(R"({"op":"dismiss","id":")" + id + R"("})");
        if (!h.pumpUntil([&] { return h.count("result", key, from) > 0; }, 5s)) {
            ++l.lost;
        }
        awaitUnmap(h, changesFrom, placed.window);
    };
    auto theirs = [&](bool keep) {
        const std::size_t changesFrom = h.changes.size();
        const auto sent = Clock::now();
        QDBusPendingCall call =
            dunst->notify(QStringLiteral("Stand up"), QStringLiteral("Time for a short walk."));
        const bool shown = h.pumpUntil(
            [&] {
                return firstMapped(h, changesFrom) &&
                       (!drawing || firstDrawn(h, firstMapped(h, changesFrom)));
            },
            5s);
        const auto id = DunstClient::notificationId(call);
        if (!shown || !id) {
            ++l.lost;
            return;
        }
        const RootWatcher::Change mapped = *firstMapped(h, changesFrom);
        if (keep) {
            l.dunstPlacedMs.push_back(ms(mapped.at - sent));
            if (drawing) {
                l.dunstDrawnMs.push_back(ms(*firstDrawn(h, firstMapped(h, changesFrom)) - sent));
            }
        }
        dunst->close(*id);
        awaitUnmap(h, changesFrom, mapped.window);
    };

    for (int i = 0; i < warmup; ++i) {
        ours(false);
        if (dunst != nullptr) {
            theirs(false);
        }
    }
    constexpr int kBlock = 25;
    for (int done = 0; done < cards; done += kBlock) {
        const int block = std::min(kBlock, cards - done);
        for (int i = 0; i < block; ++i) {
            ours(true);
        }
        if (dunst != nullptr) {
            for (int i = 0; i < block; ++i) {
                theirs(true);
            }
        }
    }
    return l;
}

RoundTrips measurePing(Harness& agent, pid_t agentPid, Harness& floor, pid_t floorPid, int count,
                       bool oneCpu) {
    RoundTrips r;
    if (oneCpu) {
        pinThreads({0, agentPid, floorPid}, 0);
    }
    auto run = [&](Harness& h, std::vector<double>* into, int n) {
        for (int i = 0; i < n; ++i) {
            if (const auto rtt = h.ping()) {
                if (into != nullptr) {
                    into->push_back(std::chrono::duration<double, std::micro>(*rtt).count());
                }
            } else {
                ++r.lost;
            }
        }
    };
    run(agent, nullptr, 200);
    run(floor, nullptr, 200);
    // Alternating blocks, so that whatever else the machine does weighs on both alike.
    constexpr int kBlock = 500;
    for (int done = 0; done < count; done += kBlock) {
        const int block = std::min(kBlock, count - done);
        run(agent, &r.agentUs, block);
        run(floor, &r.floorUs, block);
        agent.clear();
        floor.clear();
    }
    if (oneCpu) {
        pinThreads({0, agentPid, floorPid}, -1);
    }
    return r;
}

Burst measureBurst(Harness& h, pid_t agent, int cards, std::chrono::seconds timeout) {
    Burst b;
    b.cards = cards;
    std::string lines;
    for (int i = 0; i < cards; ++i) {
        std::string line = showLine("burst-" + std::to_string(i), i, 1);
        lines += line + "\n";
    }
    const std::size_t from = h.received.size();
    b.idleKb = rssKb(agent);
    const auto sent = Clock::now();
    h.controller.send(lines);
    h.pumpUntil(
        [&] {
            b.peakRssKb = std::max(b.peakRssKb, rssKb(agent));
            return h.count("ready", std::nullopt, from) >= std::size_t(cards) &&
                   h.count("result", std::nullopt, from) >= std::size_t(cards);
        },
        timeout);
    // Late duplicates would arrive now.
    h.pumpFor(1s);

    std::map<QString, std::pair<int, int>> seen;
    Clock::time_point lastReady = sent;
    Clock::time_point lastResult = sent;
    for (std::size_t i = from; i < h.received.size(); ++i) {
        const Received& r = h.received[i];
        if (!r.msg.id) {
            continue;
        }
        if (r.msg.ev == u"ready") {
            ++seen[*r.msg.id].first;
            lastReady = std::max(lastReady, r.at);
        } else if (r.msg.ev == u"result") {
            ++seen[*r.msg.id].second;
            lastResult = std::max(lastResult, r.at);
        }
    }
    for (int i = 0; i < cards; ++i) {
        const auto it = seen.find(qid("burst-" + std::to_string(i)));
        const int ready = it == seen.end() ? 0 : it->second.first;
        const int result = it == seen.end() ? 0 : it->second.second;
        b.missingReady += ready == 0;
        b.missingResult += result == 0;
        b.duplicateReady += std::max(0, ready - 1);
        b.duplicateResult += std::max(0, result - 1);
    }
    b.allReadyMs = ms(lastReady - sent);
    b.allResultsMs = ms(lastResult - sent);
    return b;
}

}  // namespace wystrand::bench

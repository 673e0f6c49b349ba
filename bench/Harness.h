#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/Controller.h"
#include "bench/RootWatcher.h"

namespace wystrand::bench {

// Waits on the controller's peer and, when given, on the X server's top-level windows, and
// keeps what arrives with the time it arrived.
class Harness {
public:
    explicit Harness(Controller& controller, RootWatcher* watcher = nullptr);

    // Reads until `done()` holds or `timeout` has passed; whether it holds.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    void pumpFor(std::chrono::milliseconds length);

    // One ping and its pong; the round trip, or nullopt when no pong came within `timeout`.
    std::optional<Clock::duration> ping(
        std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Records received since index `from` whose `ev` (and `id`, when given) match.
    std::size_t count(const char* ev, const std::optional<QString>& id = std::nullopt,
                      std::size_t from = 0) const;
    std::optional<Clock::time_point> firstAt(const char* ev, const QString& id,
                                             std::size_t from = 0) const;

    // The first change of the X screen since index `from` that puts a window in place: its map,
    // or a move of one already mapped (a card window waits mapped, out of sight, for its card).
    const RootWatcher::Change* firstPlaced(std::size_t from) const;

    void clear();

    Controller& controller;
    RootWatcher* watcher;
    std::vector<Received> received;
    std::vector<RootWatcher::Change> changes;
    bool peerClosed = false;
};

}  // namespace wystrand::bench

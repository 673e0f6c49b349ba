#include "bench/Harness.h"

#include <poll.h>

#include <cerrno>

namespace wystrand::bench {

Harness::Harness(Controller& controller, RootWatcher* watcher)
    : controller(controller), watcher(watcher) {}

bool Harness::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) {
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0) {
            return false;
        }
        pollfd fds[2] = {{controller.peerFd(), POLLIN, 0},
                         {watcher != nullptr ? watcher->fd() : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR) {
            return done();
        }
        if (fds[0].revents != 0 && !controller.readAvailable(received)) {
            peerClosed = true;
            controller.dropPeer();
        }
        if (watcher != nullptr) {
            // xcb may have read events into its queue while answering another request.
            watcher->drain(changes);
        }
    }
}

void Harness::pumpFor(std::chrono::milliseconds length) {
    pumpUntil([] { return false; }, length);
}

std::optional<Clock::duration> Harness::ping(std::chrono::milliseconds timeout) {
    const std::size_t from = received.size();
    const auto sent = Clock::now();
    if (!controller.sendLine(R"({"op":"ping"})")) {
        return std::nullopt;
    }
    std::optional<Clock::time_point> pongAt;
    std::size_t scanned = from;
    pumpUntil(
        [&] {
            for (; scanned < received.size(); ++scanned) {
                if (received[scanned].msg.ev == u"pong") {
                    pongAt = received[scanned].at;
                    return true;
                }
            }
            return false;
        },
        timeout);
    if (!pongAt) {
        return std::nullopt;
    }
    return *pongAt - sent;
}

std::size_t Harness::count(const char* ev, const std::optional<QString>& id,
                           std::size_t from) const {
    std::size_t n = 0;
    for (std::size_t i = from; i < received.size(); ++i) {
        const PipeMsg& m = received[i].msg;
        if (m.ev == QLatin1String(ev) && (!id || m.id == id)) {
            ++n;
        }
    }
    return n;
}

std::optional<Clock::time_point> Harness::firstAt(const char* ev, const QString& id,
                                                  std::size_t from) const {
    for (std::size_t i = from; i < received.size(); ++i) {
        const PipeMsg& m = received[i].msg;
        if (m.ev == QLatin1String(ev) && m.id == id) {
            return received[i].at;
        }
    }
    return std::nullopt;
}

const RootWatcher::Change* Harness::firstPlaced(std::size_t from) const {
    for (std::size_t i = from; i < changes.size(); ++i) {
        if (changes[i].kind == RootWatcher::Change::mapped ||
            changes[i].kind == RootWatcher::Change::moved) {
            return &changes[i];
        }
    }
    return nullptr;
}

void Harness::clear() {
    received.clear();
    changes.clear();
}

}  // namespace wystrand::bench

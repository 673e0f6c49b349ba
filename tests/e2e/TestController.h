#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/message/Protocol.h"

namespace wystrand::test {

// The controlling process's side of the link, played by the test: listens on a socket in a
// temporary directory, accepts the agent and keeps every line it sends.
class TestController {
public:
    TestController();
    ~TestController();
    TestController(const TestController&) = delete;
    TestController& operator=(const TestController&) = delete;

    bool ok() const { return listenFd_ >= 0; }
    const std::string& socketPath() const { return socketPath_; }

    bool waitConnected(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Writes `line` and a line feed.
    bool send(std::string_view line);

    // The first record received (now or within `timeout`) that satisfies `matches`.
    std::optional<PipeMsg> waitFor(const std::function<bool(const PipeMsg&)>& matches,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::optional<PipeMsg> waitForEvent(
        const std::string& ev, const std::string& id = {},
        std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Every line received so far, heartbeats left out, in order.
    std::vector<std::string> lines() const;
    // The records received so far whose `id` is `id`.
    std::vector<PipeMsg> eventsFor(const std::string& id) const;

private:
    void readFor(std::chrono::milliseconds timeout);

    std::string dir_;
    std::string socketPath_;
    int listenFd_ = -1;
    int connFd_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
};

}  // namespace wystrand::test

#pragma once

#include <chrono>
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

    const std::string& socketPath() const { return socketPath_; }
    bool accept();
    bool send(std::string_view line);

    // The record for `id` with event `ev`, received now or within `timeout`.
    std::optional<PipeMsg> waitFor(const std::string& ev, const std::string& id,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Every line received so far, heartbeats left out.
    const std::vector<std::string>& lines() const { return lines_; }
    // The events received so far for `id`, in order.
    std::vector<std::string> eventsFor(const std::string& id) const;

private:
    std::string dir_;
    std::string socketPath_;
    int listenFd_ = -1;
    int fd_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
};

}  // namespace wystrand::test

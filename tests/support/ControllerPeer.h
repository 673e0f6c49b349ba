#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/message/PipeMsg.h"

namespace wystrand::test {

// A request as the controller writes it, for card `id` when one is given.
PipeMsg request(const QString& op, const QString& id = {});
PipeMsg showRequest(const QString& id, const QString& mode = "alert", std::int64_t duration = 600);

// The controlling process's end of the link: listens on a Unix-domain socket, takes the agent's
// connection (a later one replaces it), sends requests and keeps the records that come back. It
// never blocks and reads only in pump(), while reading; its waits run the event loop.
class ControllerPeer {
public:
    static constexpr std::chrono::milliseconds kPatience{20000};

    explicit ControllerPeer(std::string path);
    ~ControllerPeer();
    ControllerPeer(const ControllerPeer&) = delete;
    ControllerPeer& operator=(const ControllerPeer&) = delete;

    const std::string& path() const { return path_; }
    int connections() const { return connections_; }
    // Takes a waiting connection and, while reading, the records that have come.
    void pump();
    bool waitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = kPatience);
    bool accept();

    // Whole: false without a connection, or once the agent has taken nothing for kPatience.
    bool send(const PipeMsg& record) { return sendBytes(record.encode() + '\n'); }
    bool sendBytes(std::string_view bytes);
    // Waits until the agent has read every byte sent.
    bool taken();

    void setReading(bool reading) { reading_ = reading; }
    // Closes the connection (EBADF without one), for the agent to make a new one.
    void drop() { ::close(std::exchange(peer_, -1)); }
    // Makes every write of the agent fail from now on.
    void refuse() const { ::shutdown(peer_, SHUT_RD); }
    bool hungUp() const {
        pollfd in{peer_, POLLIN, 0};
        return ::poll(&in, 1, 0) == 1 && (in.revents & POLLHUP) != 0;
    }

    // This connection's records in arrival order, heartbeats left out.
    const std::vector<std::string>& records() const { return records_; }
    int heartbeats() const { return heartbeats_; }
    int count(const PipeMsg& record) const {
        return int(std::ranges::count(records_, record.encode()));
    }
    std::optional<PipeMsg> waitFor(const QString& ev, const QString& id,
                                   std::chrono::milliseconds timeout = kPatience);

private:
    const std::string path_;
    int listener_ = -1;
    int peer_ = -1;
    bool reading_ = true;
    int connections_ = 0;
    int heartbeats_ = 0;
    std::string partial_;
    std::vector<std::string> records_;
};

}  // namespace wystrand::test

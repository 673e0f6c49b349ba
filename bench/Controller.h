#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/message/Protocol.h"

namespace wystrand::bench {

using Clock = std::chrono::steady_clock;

// One record received from the peer, stamped when it was read.
struct Received {
    Clock::time_point at;
    PipeMsg msg;
};

// The controlling process's side of the link: listens on a Unix-domain stream socket and talks
// to one peer at a time. Blocking writes, non-blocking reads; the caller polls the descriptors.
class Controller {
public:
    explicit Controller(std::string path);
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    bool listening() const { return listenFd_ >= 0; }
    const std::string& path() const { return path_; }
    int listenFd() const { return listenFd_; }
    int peerFd() const { return peerFd_; }

    // Waits for the next peer, which replaces the current one; the time it was accepted.
    std::optional<Clock::time_point> accept(std::chrono::milliseconds timeout);
    void dropPeer();
    // The controller going away and coming back: the socket file is removed and bound anew.
    void stopListening();
    bool listen();

    // Writes the bytes whole (a line feed is the caller's); false when the peer is gone.
    bool send(std::string_view bytes);
    bool sendLine(std::string_view line);

    // Reads what the peer has written so far without blocking and appends the records.
    // Lines that do not decode are counted, not kept. False once the peer has closed.
    bool readAvailable(std::vector<Received>& out);
    long undecodable() const { return undecodable_; }

private:
    std::string path_;
    int listenFd_ = -1;
    int peerFd_ = -1;
    std::string partial_;
    long undecodable_ = 0;
};

}  // namespace wystrand::bench

#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace wystrand::test {

// The controller's side of the link for tests: listens on a Unix-domain stream socket, accepts
// one peer at a time (a new peer replaces the old one) and collects every line the peer writes,
// on a thread of its own so that it keeps reading while the test's thread is busy or blocked.
// Add tests/support/UnixListener.cpp to the test's sources.
class UnixListener {
public:
    struct Line {
        int connection;    // 1 for the first peer accepted, 2 for the next...
        std::string text;  // without its line feed
    };

    // Binds `path` (at most 107 bytes), replacing a stale socket file. ok() tells whether it
    // listens.
    explicit UnixListener(std::string path);
    ~UnixListener();
    UnixListener(const UnixListener&) = delete;
    UnixListener& operator=(const UnixListener&) = delete;

    bool ok() const { return listenFd_ >= 0; }

    int connections() const;
    bool peerConnected() const;
    std::vector<Line> lines() const;
    int countLines(const std::function<bool(const Line&)>& predicate) const;

    // Writes to the current peer; false when there is none or the write failed.
    bool send(std::string_view bytes);
    // Closes the current peer's connection; a partial line from it is discarded.
    void dropPeer();
    // While paused, the peer's writes pile up in the socket.
    void pauseReading(bool paused);
    // Stops reading from the peer. Once at least `backlog` bytes wait unread and the peer has
    // added none for 20 ms (it is blocked in a write), shuts the reading side of the connection:
    // from then on every write of the peer fails, while the peer still sees the connection open
    // for reading, until dropPeer().
    void shutReadingOnceWritesStall(std::size_t backlog);

private:
    void run();
    void closePeer(int& peer);

    const std::string path_;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    mutable std::mutex mutex_;
    int peer_ = -1;
    int connections_ = 0;
    bool dropRequested_ = false;
    std::size_t stallBacklog_ = 0;  // 0: not waiting for the peer's writes to stall
    bool readingShut_ = false;
    bool paused_ = false;
    std::vector<Line> lines_;
};

}  // namespace wystrand::test

#pragma once

#include <optional>
#include <string>

namespace wystrand::ctl {

// The listening Unix-domain socket the agent connects to. Removes the socket file it made, and
// its private directory, when it goes.
class Listener {
public:
    Listener() = default;
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Listens at `socketPath`, replacing a stale socket file there (one nobody listens on any
    // more, left by a controller that was killed), or in a fresh private directory (mode 0700)
    // under $XDG_RUNTIME_DIR, else the temporary directory. On failure `error` says why.
    bool listen(const std::optional<std::string>& socketPath, std::string& error);

    // The descriptor to poll for a connection; -1 before listen().
    int fd() const { return fd_; }
    // A connection waiting to be accepted, close-on-exec; -1 when there is none.
    int accept();

    const std::string& path() const { return path_; }

private:
    std::string privateDir_;
    std::string path_;
    bool ownsSocketFile_ = false;
    int fd_ = -1;
};

}  // namespace wystrand::ctl

#include "support/UnixListener.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace wystrand::test {

UnixListener::UnixListener(std::string path) : path_(std::move(path)) {
    sockaddr_un address{};
    if (path_.empty() || path_.size() >= sizeof(address.sun_path)) {
        return;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.data(), path_.size());
    ::unlink(path_.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    thread_ = std::thread([this] { run(); });
}

UnixListener::~UnixListener() {
    if (listenFd_ < 0) {
        return;
    }
    stopping_ = true;
    thread_.join();
    if (peer_ >= 0) {
        ::close(peer_);
    }
    ::close(listenFd_);
    ::unlink(path_.c_str());
}

int UnixListener::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool UnixListener::peerConnected() const {
    std::lock_guard lock(mutex_);
    return peer_ >= 0;
}

std::vector<UnixListener::Line> UnixListener::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

int UnixListener::countLines(const std::function<bool(const Line&)>& predicate) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), predicate));
}

bool UnixListener::send(std::string_view bytes) {
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        if (peer_ < 0) {
            return false;
        }
        // A duplicate, so that the listener's thread may close its descriptor meanwhile
        // without the write landing on a reused number.
        fd = ::dup(peer_);
    }
    if (fd < 0) {
        return false;
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return sent == bytes.size();
}

void UnixListener::dropPeer() {
    std::lock_guard lock(mutex_);
    dropRequested_ = true;
    if (peer_ >= 0) {
        // Ends the connection at once, duplicates included; the thread then closes it.
        ::shutdown(peer_, SHUT_RDWR);
    }
}

void UnixListener::pauseReading(bool paused) {
    std::lock_guard lock(mutex_);
    paused_ = paused;
}

void UnixListener::shutReadingOnceWritesStall(std::size_t backlog) {
    std::lock_guard lock(mutex_);
    stallBacklog_ = backlog;
}

void UnixListener::closePeer(int& peer) {
    {
        std::lock_guard lock(mutex_);
        peer_ = -1;
        dropRequested_ = false;
        stallBacklog_ = 0;
        readingShut_ = false;
    }
    ::shutdown(peer, SHUT_RDWR);
    ::close(peer);
    peer = -1;
}

void UnixListener::run() {
    int peer = -1;
    std::string partial;
    std::array<char, 65536> chunk{};
    int stallPending = -1;
    auto stallSince = std::chrono::steady_clock::now();
    while (!stopping_) {
        std::size_t stallBacklog = 0;
        bool dropRequested = false;
        bool readingShut = false;
        bool paused = false;
        {
            std::lock_guard lock(mutex_);
            stallBacklog = stallBacklog_;
            dropRequested = dropRequested_;
            readingShut = readingShut_;
            paused = paused_;
        }
        if (peer >= 0 && dropRequested) {
            closePeer(peer);
            continue;
        }
        if (peer >= 0 && stallBacklog > 0) {
            int pending = 0;
            ::ioctl(peer, FIONREAD, &pending);
            const auto now = std::chrono::steady_clock::now();
            if (pending != stallPending) {
                stallPending = pending;
                stallSince = now;
            } else if (static_cast<std::size_t>(pending) >= stallBacklog &&
                       now - stallSince >= std::chrono::milliseconds(20)) {
                ::shutdown(peer, SHUT_RD);
                std::lock_guard lock(mutex_);
                stallBacklog_ = 0;
                readingShut_ = true;
                continue;
            }
        }
        std::array<pollfd, 2> fds{{{listenFd_, POLLIN, 0}, {peer, POLLIN, 0}}};
        const bool reading = peer >= 0 && stallBacklog == 0 && !readingShut && !paused;
        if (::poll(fds.data(), reading ? 2 : 1, 5) <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const int accepted = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                if (peer >= 0) {
                    closePeer(peer);
                }
                peer = accepted;
                partial.clear();
                std::lock_guard lock(mutex_);
                peer_ = peer;
                ++connections_;
                dropRequested_ = false;
            }
            continue;
        }
        if (reading && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::read(peer, chunk.data(), chunk.size());
            if (n <= 0) {
                closePeer(peer);
                continue;
            }
            partial.append(chunk.data(), static_cast<std::size_t>(n));
            std::size_t start = 0;
            std::lock_guard lock(mutex_);
            for (std::size_t newline; (newline = partial.find('\n', start)) != std::string::npos;
                 start = newline + 1) {
                lines_.push_back({connections_, partial.substr(start, newline - start)});
            }
            partial.erase(0, start);
        }
    }
}

}  // namespace wystrand::test

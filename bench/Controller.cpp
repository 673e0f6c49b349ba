#include "bench/Controller.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace wystrand::bench {

Controller::Controller(std::string path) : path_(std::move(path)) {
    listen();
}

Controller::~Controller() {
    dropPeer();
    stopListening();
}

bool Controller::listen() {
    if (listenFd_ >= 0) {
        return true;
    }
    sockaddr_un address{};
    if (path_.size() >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.c_str(), path_.size());
    ::unlink(path_.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 4) != 0) {
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    return true;
}

void Controller::stopListening() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(path_.c_str());
    }
}

std::optional<Clock::time_point> Controller::accept(std::chrono::milliseconds timeout) {
    if (listenFd_ < 0) {
        return std::nullopt;
    }
    pollfd p{listenFd_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return std::nullopt;
    }
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    const auto at = Clock::now();
    if (fd < 0) {
        return std::nullopt;
    }
    dropPeer();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    peerFd_ = fd;
    return at;
}

void Controller::dropPeer() {
    if (peerFd_ >= 0) {
        ::close(peerFd_);
        peerFd_ = -1;
    }
    partial_.clear();
}

bool Controller::send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size() && peerFd_ >= 0) {
        const ssize_t n = ::send(peerFd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{peerFd_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return sent == bytes.size();
}

bool Controller::sendLine(std::string_view line) {
    std::string bytes(line);
    bytes.push_back('\n');
    return send(bytes);
}

bool Controller::readAvailable(std::vector<Received>& out) {
    if (peerFd_ < 0) {
        return false;
    }
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t n = ::read(peerFd_, chunk.data(), chunk.size());
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        const auto at = Clock::now();
        partial_.append(chunk.data(), static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t nl; (nl = partial_.find('\n', start)) != std::string::npos;
             start = nl + 1) {
            if (auto msg = PipeMsg::decode(std::string_view(partial_).substr(start, nl - start))) {
                out.push_back({at, std::move(*msg)});
            } else {
                ++undecodable_;
            }
        }
        partial_.erase(0, start);
        if (static_cast<std::size_t>(n) < chunk.size()) {
            return true;
        }
    }
}

}  // namespace wystrand::bench

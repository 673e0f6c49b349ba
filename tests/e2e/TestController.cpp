#include "e2e/TestController.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace wystrand::test {

TestController::TestController() {
    char pattern[] = "/tmp/wystrand-ctl-test.XXXXXX";
    dir_ = ::mkdtemp(pattern) != nullptr ? pattern : "/nonexistent";
    socketPath_ = dir_ + "/agent.sock";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath_.c_str(), sizeof(addr.sun_path) - 1);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(listenFd_, 4);
}

TestController::~TestController() {
    ::close(fd_);
    ::close(listenFd_);
    ::unlink(socketPath_.c_str());
    ::rmdir(dir_.c_str());
}

bool TestController::accept() {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 10000) == 1) {
        fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return fd_ >= 0;
}

bool TestController::send(std::string_view line) {
    const std::string record = std::string(line) + '\n';
    return ::send(fd_, record.data(), record.size(), MSG_NOSIGNAL) == ssize_t(record.size());
}

std::optional<PipeMsg> TestController::waitFor(const std::string& ev, const std::string& id,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (std::size_t checked = 0;;) {
        for (; checked < lines_.size(); ++checked) {
            const auto record = PipeMsg::decode(lines_[checked]);
            if (record && record->ev == QString::fromStdString(ev) &&
                record->id == QString::fromStdString(id)) {
                return record;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1 ||
            (n = ::recv(fd_, buffer, sizeof(buffer), 0)) <= 0) {
            return std::nullopt;
        }
        partial_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            if (partial_.compare(0, end, PipeMsg::heartbeat().encode()) != 0) {
                lines_.push_back(partial_.substr(0, end));
            }
            partial_.erase(0, end + 1);
        }
    }
}

std::vector<std::string> TestController::eventsFor(const std::string& id) const {
    std::vector<std::string> result;
    for (const std::string& line : lines_) {
        const auto record = PipeMsg::decode(line);
        if (record && record->id == QString::fromStdString(id)) {
            result.push_back(record->ev.value_or(QString()).toStdString());
        }
    }
    return result;
}

}  // namespace wystrand::test

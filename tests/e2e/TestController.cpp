#include "e2e/TestController.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace wystrand::test {

TestController::TestController() {
    char pattern[] = "/tmp/wystrand-ctl-test.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return;
    }
    dir_ = pattern;
    socketPath_ = dir_ + "/agent.sock";
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath_.c_str(), sizeof(addr.sun_path) - 1);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listenFd_, 4) != 0) {
        if (listenFd_ >= 0) {
            ::close(listenFd_);
        }
        listenFd_ = -1;
    }
}

TestController::~TestController() {
    if (connFd_ >= 0) {
        ::close(connFd_);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
    if (!dir_.empty()) {
        ::unlink(socketPath_.c_str());
        ::rmdir(dir_.c_str());
    }
}

bool TestController::waitConnected(std::chrono::milliseconds timeout) {
    pollfd p{listenFd_, POLLIN, 0};
    if (listenFd_ < 0 || ::poll(&p, 1, static_cast<int>(timeout.count())) != 1) {
        return false;
    }
    connFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    return connFd_ >= 0;
}

bool TestController::send(std::string_view line) {
    std::string record(line);
    record += '\n';
    std::size_t done = 0;
    while (connFd_ >= 0 && done < record.size()) {
        const ssize_t n = ::send(connFd_, record.data() + done, record.size() - done, MSG_NOSIGNAL);
        if (n <= 0 && errno != EINTR) {
            return false;
        }
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return done == record.size();
}

void TestController::readFor(std::chrono::milliseconds timeout) {
    pollfd p{connFd_, POLLIN, 0};
    if (connFd_ < 0 || ::poll(&p, 1, static_cast<int>(timeout.count())) != 1) {
        return;
    }
    char buffer[4096];
    const ssize_t n = ::recv(connFd_, buffer, sizeof(buffer), 0);
    if (n <= 0) {
        ::close(connFd_);
        connFd_ = -1;
        return;
    }
    partial_.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines_.push_back(partial_.substr(start, end - start));
    }
    partial_.erase(0, start);
}

std::optional<PipeMsg> TestController::waitFor(const std::function<bool(const PipeMsg&)>& matches,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t checked = 0;
    for (;;) {
        for (; checked < lines_.size(); ++checked) {
            const auto record = PipeMsg::decode(lines_[checked]);
            if (record && matches(*record)) {
                return record;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || connFd_ < 0) {
            return std::nullopt;
        }
        readFor(left);
    }
}

std::optional<PipeMsg> TestController::waitForEvent(const std::string& ev, const std::string& id,
                                                    std::chrono::milliseconds timeout) {
    return waitFor(
        [&](const PipeMsg& m) {
            return m.ev == QString::fromStdString(ev) &&
                   (id.empty() || m.id == QString::fromStdString(id));
        },
        timeout);
}

std::vector<std::string> TestController::lines() const {
    std::vector<std::string> result;
    for (const std::string& line : lines_) {
        const auto record = PipeMsg::decode(line);
        if (!record || record->ev != QStringLiteral("hb")) {
            result.push_back(line);
        }
    }
    return result;
}

std::vector<PipeMsg> TestController::eventsFor(const std::string& id) const {
    std::vector<PipeMsg> result;
    for (const std::string& line : lines_) {
        const auto record = PipeMsg::decode(line);
        if (record && record->id == QString::fromStdString(id)) {
            result.push_back(*record);
        }
    }
    return result;
}

}  // namespace wystrand::test

#include "tools/ctl/AgentHost.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "tools/ctl/Signals.h"

namespace wystrand::ctl {

namespace {

constexpr std::size_t kReadSize = 4096;
constexpr int kSendWaitMs = 1000;
// poll() takes an int of milliseconds; longer waits are taken in steps.
constexpr long long kLongestPollMs = 60'000;

}  // namespace

AgentHost::AgentHost() {
    signalPipe();
}

AgentHost::~AgentHost() {
    agent_.stop();
    closeConnection();
}

bool AgentHost::send(std::string_view line) {
    if (connFd_ < 0) {
        return false;
    }
    std::string record(line);
    record += '\n';
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::send(connFd_, record.data() + done, record.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{connFd_, POLLOUT, 0};
            ::poll(&out, 1, kSendWaitMs);
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void AgentHost::watchInput(int fd) {
    inputFd_ = fd;
    inputFramer_.reset();
}

HostEvent AgentHost::next(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    while (pending_.empty()) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) {
            return {HostEvent::Kind::timeout, {}};
        }
        pollOnce(static_cast<int>(std::min<long long>(left, kLongestPollMs)));
    }
    HostEvent event = std::move(pending_.front());
    pending_.pop_front();
    return event;
}

void AgentHost::pollOnce(int timeoutMs) {
    pollfd fds[4];
    nfds_t count = 0;
    fds[count++] = {signalPipe(), POLLIN, 0};
    if (listener_.fd() >= 0) {
        fds[count++] = {listener_.fd(), POLLIN, 0};
    }
    if (connFd_ >= 0) {
        fds[count++] = {connFd_, POLLIN, 0};
    }
    if (inputFd_ >= 0) {
        fds[count++] = {inputFd_, POLLIN, 0};
    }
    if (::poll(fds, count, timeoutMs) <= 0) {
        return;
    }
    // Signals first: a child that exited is known before its connection's end is reported.
    for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        if (i == 0) {
            readSignals();
        } else if (fds[i].fd == listener_.fd()) {
            acceptConnection();
        } else if (fds[i].fd == connFd_) {
            readConnection();
        } else if (fds[i].fd == inputFd_) {
            readInput();
        }
    }
}

void AgentHost::readSignals() {
    for (const int number : takeSignals()) {
        if (number != SIGCHLD) {
            pending_.push_back({HostEvent::Kind::signal, {}, 0, number});
        } else if (const auto status = agent_.reap()) {
            pending_.push_back({HostEvent::Kind::agentExited, {}, *status});
        }
    }
}

void AgentHost::acceptConnection() {
    const int fd = listener_.accept();
    if (fd < 0) {
        return;
    }
    closeConnection();
    connFd_ = fd;
    connFramer_.reset();
    pending_.push_back({HostEvent::Kind::connected, {}});
}

void AgentHost::readConnection() {
    char buffer[kReadSize];
    const ssize_t n = ::recv(connFd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    if (n <= 0) {
        closeConnection();
        pending_.push_back({HostEvent::Kind::disconnected, {}});
        return;
    }
    for (std::string& line :
         connFramer_.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
        pending_.push_back({HostEvent::Kind::line, std::move(line)});
    }
}

void AgentHost::readInput() {
    char buffer[kReadSize];
    const ssize_t n = ::read(inputFd_, buffer, sizeof(buffer));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    // At the end, a line feed cuts the last line should it lack one.
    auto lines = n > 0 ? inputFramer_.feed(std::string_view(buffer, static_cast<std::size_t>(n)))
                       : inputFramer_.feed("\n");
    for (std::string& line : lines) {
        pending_.push_back({HostEvent::Kind::input, std::move(line)});
    }
    if (n <= 0) {
        pending_.push_back({HostEvent::Kind::inputClosed, {}});
        inputFd_ = -1;
    }
}

void AgentHost::closeConnection() {
    if (connFd_ >= 0) {
        ::close(connFd_);
        connFd_ = -1;
    }
}

std::optional<std::string> launchAgent(AgentHost& host,
                                       const std::optional<std::string>& agentOption,
                                       const std::optional<std::string>& socketPath,
                                       std::string& error) {
    auto agentPath = findAgent(agentOption);
    if (!agentPath) {
        error = "cannot find the agent wystrand-notify (give --agent PATH)";
        return std::nullopt;
    }
    if (!host.listen(socketPath, error) || !host.startAgent(*agentPath, error)) {
        return std::nullopt;
    }
    return agentPath;
}

}  // namespace wystrand::ctl

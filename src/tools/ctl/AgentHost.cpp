#include "tools/ctl/AgentHost.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace wystrand::ctl {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int number) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// Signals become bytes on a pipe that the wait loop polls, so they are handled in order with
// everything else and never interrupt a half-done step.
void catchSignals() {
    if (signalPipe[0] >= 0) {
        return;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
        ::sigaction(number, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

std::string errnoText(int error) {
    return std::strerror(error);
}

bool fillAddress(const std::string& path, sockaddr_un& addr) {
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    addr = {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

// A socket file nobody listens on any more (left by a controller that was killed).
bool isStaleSocket(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        return false;
    }
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 &&
                         errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

std::string runtimeBase() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat st {};
        if (value != nullptr && *value != '\0' && ::stat(value, &st) == 0 && S_ISDIR(st.st_mode) &&
            ::access(value, W_OK | X_OK) == 0) {
            return value;
        }
    }
    return "/tmp";
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

AgentHost::AgentHost() {
    catchSignals();
}

AgentHost::~AgentHost() {
    stopAgent();
    closeConnection();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
    if (ownsSocketFile_) {
        ::unlink(socketPath_.c_str());
    }
    if (!privateDir_.empty()) {
        ::rmdir(privateDir_.c_str());
    }
}

bool AgentHost::listen(const std::optional<std::string>& socketPath, std::string& error) {
    if (socketPath) {
        socketPath_ = *socketPath;
    } else {
        std::string pattern = runtimeBase() + "/wystrand-notify-ctl.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = "cannot create a private directory under " + runtimeBase() + ": " +
                    errnoText(errno);
            return false;
        }
        privateDir_ = pattern;
        socketPath_ = privateDir_ + "/agent.sock";
    }

    sockaddr_un addr{};
    if (!fillAddress(socketPath_, addr)) {
        error = "socket path must be 1 to 107 bytes long: " + socketPath_;
        return false;
    }
    if (socketPath && isStaleSocket(socketPath_)) {
        ::unlink(socketPath_.c_str());
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) {
        error = "cannot create a socket: " + errnoText(errno);
        return false;
    }
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        error = "cannot listen at " + socketPath_ + ": " + errnoText(errno);
        return false;
    }
    ownsSocketFile_ = true;
    if (::listen(listenFd_, 4) != 0) {
        error = "cannot listen at " + socketPath_ + ": " + errnoText(errno);
        return false;
    }
    return true;
}

bool AgentHost::startAgent(const std::string& agentPath, std::string& error) {
    int execPipe[2];
    if (::pipe2(execPipe, O_CLOEXEC) != 0) {
        error = "cannot start the agent: " + errnoText(errno);
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = "cannot start the agent: " + errnoText(errno);
        ::close(execPipe[0]);
        ::close(execPipe[1]);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::setpgid(0, 0);
        std::signal(SIGPIPE, SIG_DFL);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::close(devNull);
        }
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        const char* argv[] = {agentPath.c_str(), "--pipe", socketPath_.c_str(), nullptr};
        ::execv(agentPath.c_str(), const_cast<char* const*>(argv));
        const int failure = errno;
        [[maybe_unused]] const ssize_t written = ::write(execPipe[1], &failure, sizeof(failure));
        ::_exit(127);
    }
    ::close(execPipe[1]);
    int failure = 0;
    ssize_t got;
    do {
        got = ::read(execPipe[0], &failure, sizeof(failure));
    } while (got < 0 && errno == EINTR);
    ::close(execPipe[0]);
    if (got == static_cast<ssize_t>(sizeof(failure))) {
        ::waitpid(pid, nullptr, 0);
        error = "cannot start the agent " + agentPath + ": " + errnoText(failure);
        return false;
    }
    agentPid_ = pid;
    return true;
}

void AgentHost::stopAgent() {
    if (agentPid_ <= 0) {
        return;
    }
    ::kill(agentPid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (::waitpid(agentPid_, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(agentPid_, SIGKILL);
            ::waitpid(agentPid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    agentPid_ = -1;
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
            ::poll(&out, 1, 1000);
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
}

HostEvent AgentHost::next(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    while (pending_.empty()) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) {
            return {HostEvent::Kind::timeout, {}};
        }
        pollOnce(static_cast<int>(std::min<long long>(left, 60'000)));
    }
    HostEvent event = std::move(pending_.front());
    pending_.pop_front();
    return event;
}

void AgentHost::pollOnce(int timeoutMs) {
    pollfd fds[4];
    nfds_t count = 0;
    fds[count++] = {signalPipe[0], POLLIN, 0};
    if (listenFd_ >= 0) {
        fds[count++] = {listenFd_, POLLIN, 0};
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
        if (fds[i].fd == signalPipe[0]) {
            readSignals();
        } else if (fds[i].fd == listenFd_) {
            acceptConnection();
        } else if (fds[i].fd == connFd_) {
            readConnection();
        } else if (fds[i].fd == inputFd_) {
            readInput();
        }
    }
}

void AgentHost::readSignals() {
    unsigned char bytes[64];
    ssize_t n;
    while ((n = ::read(signalPipe[0], bytes, sizeof(bytes))) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (bytes[i] == SIGCHLD) {
                int status = 0;
                if (agentPid_ > 0 && ::waitpid(agentPid_, &status, WNOHANG) == agentPid_) {
                    agentPid_ = -1;
                    pending_.push_back({HostEvent::Kind::agentExited, {}, status});
                }
            } else {
                pending_.push_back({HostEvent::Kind::signal, {}, 0, bytes[i]});
            }
        }
    }
}

void AgentHost::acceptConnection() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    closeConnection();
    connFd_ = fd;
    framer_.reset();
    pending_.push_back({HostEvent::Kind::connected, {}});
}

void AgentHost::readConnection() {
    char buffer[4096];
    const ssize_t n = ::recv(connFd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    if (n <= 0) {
        closeConnection();
        pending_.push_back({HostEvent::Kind::disconnected, {}});
        return;
    }
    for (std::string& line : framer_.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
        pending_.push_back({HostEvent::Kind::line, std::move(line)});
    }
}

void AgentHost::readInput() {
    char buffer[4096];
    const ssize_t n = ::read(inputFd_, buffer, sizeof(buffer));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        if (!inputBuffer_.empty()) {
            pending_.push_back({HostEvent::Kind::input, std::move(inputBuffer_)});
            inputBuffer_.clear();
        }
        pending_.push_back({HostEvent::Kind::inputClosed, {}});
        inputFd_ = -1;
        return;
    }
    inputBuffer_.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = inputBuffer_.find('\n', start)) != std::string::npos;
         start = end + 1) {
        pending_.push_back({HostEvent::Kind::input, inputBuffer_.substr(start, end - start)});
    }
    inputBuffer_.erase(0, start);
}

void AgentHost::closeConnection() {
    if (connFd_ >= 0) {
        ::close(connFd_);
        connFd_ = -1;
    }
}

std::optional<std::string> findAgent(const std::optional<std::string>& explicitPath) {
    if (explicitPath) {
        return explicitPath;
    }
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n > 0) {
        std::string beside(self, static_cast<std::size_t>(n));
        beside = beside.substr(0, beside.rfind('/') + 1) + "wystrand-notify";
        if (isExecutableFile(beside)) {
            return beside;
        }
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/wystrand-notify";
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
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

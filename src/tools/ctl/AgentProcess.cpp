#include "tools/ctl/AgentProcess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

namespace wystrand::ctl {

namespace {

constexpr auto kStopGrace = std::chrono::seconds(3);

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool AgentProcess::start(const std::string& agentPath, const std::string& socketPath,
                         std::string& error) {
    int execPipe[2];
    if (::pipe2(execPipe, O_CLOEXEC) != 0) {
        error = "cannot start the agent: " + std::string(std::strerror(errno));
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = "cannot start the agent: " + std::string(std::strerror(errno));
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
        const char* argv[] = {agentPath.c_str(), "--pipe", socketPath.c_str(), nullptr};
        ::execv(agentPath.c_str(), const_cast<char* const*>(argv));
        const int failure = errno;
        [[maybe_unused]] const ssize_t written = ::write(execPipe[1], &failure, sizeof(failure));
        ::_exit(127);
    }
    // The pipe closes at exec; a failed exec writes its errno first.
    ::close(execPipe[1]);
    int failure = 0;
    ssize_t got;
    do {
        got = ::read(execPipe[0], &failure, sizeof(failure));
    } while (got < 0 && errno == EINTR);
    ::close(execPipe[0]);
    if (got == static_cast<ssize_t>(sizeof(failure))) {
        ::waitpid(pid, nullptr, 0);
        error = "cannot start the agent " + agentPath + ": " + std::strerror(failure);
        return false;
    }
    pid_ = pid;
    return true;
}

void AgentProcess::stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}

std::optional<int> AgentProcess::reap() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) {
        return std::nullopt;
    }
    pid_ = -1;
    return status;
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

}  // namespace wystrand::ctl

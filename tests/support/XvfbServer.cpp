#include "support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace wystrand::test {

namespace {

// Reads the display number that Xvfb writes to its -displayfd once it is ready.
std::string readDisplayNumber(int fd, std::chrono::milliseconds timeout) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return {};
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return {};
        }
        char buf[32];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return {};  // Xvfb exited without a display
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') {
                return number;
            }
            number.push_back(buf[i]);
        }
    }
}

}  // namespace

XvfbServer::~XvfbServer() {
    stop();
}

std::string XvfbServer::start() {
    if (pid_ > 0) {
        return display_;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return {};
    }
    const int readEnd = fds[0];
    const int writeEnd = fds[1];

    // The child gets the write end as fd 3 (dup2 clears close-on-exec); output is silenced.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> args{"Xvfb",        "-displayfd", "3",   "-screen", "0",
                                  "1440x875x24", "-nolisten",  "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(writeEnd);
    if (rc != 0) {
        close(readEnd);
        return {};
    }
    pid_ = pid;
    const std::string number = readDisplayNumber(readEnd, std::chrono::seconds(10));
    close(readEnd);
    if (number.empty()) {
        stop();
        return {};
    }
    display_ = ":" + number;
    return display_;
}

void XvfbServer::stop() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    display_.clear();
}

}  // namespace wystrand::test

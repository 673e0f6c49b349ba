#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wystrand::test {

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// The test's own environment with `changes` applied, as NAME=value strings.
std::vector<std::string> childEnvironment(const EnvChanges& changes);

// A child process whose standard output and error go to files, read back on request.
class Child {
public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // `stdinFd` (-1: /dev/null) becomes the child's standard input.
    bool start(const std::vector<std::string>& argv, const EnvChanges& env, int stdinFd = -1);
    pid_t pid() const { return pid_; }
    bool running();

    // Waits for the child to end on its own; its wait status, or nullopt on a timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    // Sends `signal`, waits for the end (SIGKILL after 5 s) and returns the wait status.
    int stop(int signal);

    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string dir_;
};

struct RunResult {
    std::optional<int> status;  // wait status; nullopt when it had to be killed
    std::string out;
    std::string err;
};

// Runs a program to its end (killed after `timeout`).
RunResult run(const std::vector<std::string>& argv, const EnvChanges& env,
              std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The exit status of a wait status, or -1 when the process did not exit normally.
int exitCode(std::optional<int> status);

// Polls `condition` every few milliseconds until it holds or `timeout` passes.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The processes whose parent is `pid`.
std::vector<pid_t> childrenOf(pid_t pid);

}  // namespace wystrand::test

#include <thread>

namespace wystrand::test {

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace wystrand::test

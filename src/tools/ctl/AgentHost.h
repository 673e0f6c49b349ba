#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "core/link/LineFramer.h"

namespace wystrand::ctl {

// What AgentHost::next() reports, one at a time and in the order things happened.
struct HostEvent {
    enum class Kind {
        line,          // a line from the agent, in `text`
        connected,     // the agent connected (a later connection replaces an earlier one)
        disconnected,  // the agent's connection closed
        agentExited,   // the agent process ended; `status` is its wait status
        input,         // a line from the watched input, in `text`, without its line feed
        inputClosed,   // the watched input reached its end
        signal,        // SIGINT, SIGTERM or SIGHUP arrived; `number` is the signal
        timeout,       // the deadline passed
    };
    Kind kind;
    std::string text;
    int status = 0;
    int number = 0;
};

// The controller's side of the link: a listening Unix-domain socket, the agent process started
// with --pipe, and a single-threaded wait for whatever happens next. Owns everything it creates
// and removes it when destroyed: the agent is stopped, the socket and its private directory
// removed.
class AgentHost {
public:
    AgentHost();
    ~AgentHost();
    AgentHost(const AgentHost&) = delete;
    AgentHost& operator=(const AgentHost&) = delete;

    // Listens at `socketPath`, or in a fresh private directory (mode 0700) under
    // $XDG_RUNTIME_DIR, else the temporary directory. On failure `error` says why.
    bool listen(const std::optional<std::string>& socketPath, std::string& error);

    // Starts `agentPath --pipe <socket>` in its own process group with standard input closed and
    // its standard output sent to standard error. It is told to end should this process die.
    bool startAgent(const std::string& agentPath, std::string& error);
    // Ends the agent (SIGTERM, then SIGKILL after a grace period) and reaps it.
    void stopAgent();
    bool agentRunning() const { return agentPid_ > 0; }
    pid_t agentPid() const { return agentPid_; }

    bool connected() const { return connFd_ >= 0; }
    // Writes `line` and a line feed, whole; false when there is no connection or it failed.
    bool send(std::string_view line);

    // Reports the lines read from `fd` (standard input for serve) as input events.
    void watchInput(int fd);

    // Waits until something happens or `deadline` passes.
    HostEvent next(std::chrono::steady_clock::time_point deadline);
    HostEvent next(std::chrono::milliseconds timeout) {
        return next(std::chrono::steady_clock::now() + timeout);
    }

    const std::string& socketPath() const { return socketPath_; }

private:
    void pollOnce(int timeoutMs);
    void readSignals();
    void acceptConnection();
    void readConnection();
    void readInput();
    void closeConnection();

    std::string privateDir_;
    std::string socketPath_;
    bool ownsSocketFile_ = false;
    int listenFd_ = -1;
    int connFd_ = -1;
    pid_t agentPid_ = -1;
    int inputFd_ = -1;
    std::string inputBuffer_;
    LineFramer framer_;
    std::deque<HostEvent> pending_;
};

// The agent binary: `explicitPath` when given, else wystrand-notify beside this program, else
// the first one on PATH.
std::optional<std::string> findAgent(const std::optional<std::string>& explicitPath);

// What every subcommand does first: finds the agent (see findAgent), makes `host` listen (see
// AgentHost::listen) and starts the agent on it. Returns the agent's path; on failure `error`
// says why.
std::optional<std::string> launchAgent(AgentHost& host,
                                       const std::optional<std::string>& agentOption,
                                       const std::optional<std::string>& socketPath,
                                       std::string& error);

// Exit status for a process ended by `signal`, as shells report it.
inline int signalExitStatus(int signal) {
    return 128 + signal;
}

}  // namespace wystrand::ctl

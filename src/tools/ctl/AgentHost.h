#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "core/link/LineFramer.h"
#include "tools/ctl/AgentProcess.h"
#include "tools/ctl/Listener.h"

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

// The controller's side of the link: the listener, the agent process started on it, the agent's
// connection, and a single-threaded wait for whatever happens next. Owns everything it creates
// and removes it when destroyed: the agent is stopped, the socket and its private directory
// removed.
class AgentHost {
public:
    AgentHost();
    ~AgentHost();
    AgentHost(const AgentHost&) = delete;
    AgentHost& operator=(const AgentHost&) = delete;

    // See Listener::listen.
    bool listen(const std::optional<std::string>& socketPath, std::string& error) {
        return listener_.listen(socketPath, error);
    }
    // Starts the agent on the socket; see AgentProcess::start.
    bool startAgent(const std::string& agentPath, std::string& error) {
        return agent_.start(agentPath, listener_.path(), error);
    }
    void stopAgent() { agent_.stop(); }
    bool agentRunning() const { return agent_.running(); }
    pid_t agentPid() const { return agent_.pid(); }

    bool connected() const { return connFd_ >= 0; }
    // Writes `line` and a line feed, whole; false when there is no connection or it failed.
    bool send(std::string_view line);

    // Reports the lines read from `fd` (standard input for serve) as input events, framed as the
    // agent frames its own input (see LineFramer); a last line without a line feed counts.
    void watchInput(int fd);

    // Waits until something happens or `deadline` passes.
    HostEvent next(std::chrono::steady_clock::time_point deadline);
    HostEvent next(std::chrono::milliseconds timeout) {
        return next(std::chrono::steady_clock::now() + timeout);
    }

    const std::string& socketPath() const { return listener_.path(); }

private:
    void pollOnce(int timeoutMs);
    void readSignals();
    void acceptConnection();
    void readConnection();
    void readInput();
    void closeConnection();

    Listener listener_;
    AgentProcess agent_;
    int connFd_ = -1;
    LineFramer connFramer_;
    int inputFd_ = -1;
    LineFramer inputFramer_;
    std::deque<HostEvent> pending_;
};

// What every subcommand does first: finds the agent (see findAgent), makes `host` listen (see
// AgentHost::listen) and starts the agent on it. Returns the agent's path; on failure `error`
// says why.
std::optional<std::string> launchAgent(AgentHost& host,
                                       const std::optional<std::string>& agentOption,
                                       const std::optional<std::string>& socketPath,
                                       std::string& error);

}  // namespace wystrand::ctl

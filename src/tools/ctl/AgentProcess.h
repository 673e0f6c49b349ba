#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace wystrand::ctl {

// The agent process: at most one at a time, stopped when this object goes.
class AgentProcess {
public:
    AgentProcess() = default;
    ~AgentProcess() { stop(); }
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;

    // Starts `agentPath --pipe <socketPath>` in its own process group with standard input closed
    // and its standard output sent to standard error. It is told to end should this process die.
    bool start(const std::string& agentPath, const std::string& socketPath, std::string& error);
    // Ends the agent (SIGTERM, then SIGKILL after a grace period) and reaps it.
    void stop();
    // Reaps the agent if it has ended, without waiting; its wait status when it had.
    std::optional<int> reap();

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// The agent binary: `explicitPath` when given, else wystrand-notify beside this program, else
// the first one on PATH.
std::optional<std::string> findAgent(const std::optional<std::string>& explicitPath);

}  // namespace wystrand::ctl

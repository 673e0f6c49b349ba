#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wystrand::bench {

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// A child process started from a path or from PATH, with its output silenced.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool start(const std::vector<std::string>& argv, const EnvChanges& env = {});
    pid_t pid() const { return pid_; }
    bool running();
    // Sends `signal`, then SIGKILL if the child has not ended after `grace`. The wait status,
    // or -1 when there was no child.
    int stop(int signal = 15, std::chrono::milliseconds grace = std::chrono::seconds(3));

private:
    pid_t pid_ = -1;
};

}  // namespace wystrand::bench

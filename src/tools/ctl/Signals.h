#pragma once

#include <vector>

namespace wystrand::ctl {

// Process-wide: SIGINT, SIGTERM, SIGHUP and SIGCHLD become bytes on a pipe that the wait loop
// polls, so they are handled in order with everything else and never interrupt a half-done step.
// SIGPIPE is ignored. The first call installs the handlers; later calls return the same pipe.
int signalPipe();

// The signals that arrived since the last call, in order; empty when none did.
std::vector<int> takeSignals();

// Exit status for a process ended by `signal`, as shells report it.
inline int signalExitStatus(int signal) {
    return 128 + signal;
}

}  // namespace wystrand::ctl

#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace wystrand::bench {

// What /proc tells about a running process at one moment.
struct ProcSample {
    struct Thread {
        std::string name;
        long switches = 0;   // voluntary context switches: the thread went to sleep
        long preempted = 0;  // involuntary ones: the scheduler took the CPU from it
    };
    long long cpuTicks = 0;  // user and system time of every thread, in clock ticks
    long rssKb = 0;
    std::map<int, Thread> threads;  // by thread id
};

ProcSample sampleProcess(pid_t pid);
long rssKb(pid_t pid);
// The pages this process has written and holds alone (smaps_rollup's Private_Dirty): its heap,
// stacks and the libraries' data. Not the libraries' code, which every Qt program on a desktop
// shares, even where this process happens to be the only one mapping it.
long privateKb(pid_t pid);
double cpuSeconds(const ProcSample& before, const ProcSample& after);

// Wake-ups between two samples, counted as voluntary context switches: a thread that sleeps in
// poll and is woken switches out once when it sleeps again. A thread preempted while it runs
// (by the peer its write just woke, say) did not wake for it; those switches are counted apart.
// Threads born in between count from zero.
struct Wakeups {
    long total = 0;
    long preempted = 0;
    std::vector<std::pair<std::string, long>> byThread;  // threads that woke at all
};
Wakeups wakeupsBetween(const ProcSample& before, const ProcSample& after);

}  // namespace wystrand::bench

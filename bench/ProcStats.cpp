#include "bench/ProcStats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace wystrand::bench {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

long statusField(const std::string& status, const std::string& key) {
    const auto pos = status.find("\n" + key + ":");
    if (pos == std::string::npos) {
        return 0;
    }
    return std::stol(status.substr(pos + key.size() + 2));
}

}  // namespace

ProcSample sampleProcess(pid_t pid) {
    ProcSample sample;
    const std::string base = "/proc/" + std::to_string(pid);
    // Fields 14 and 15 (utime, stime) of stat, counted after the parenthesised name.
    const std::string stat = readFile(base + "/stat");
    if (const auto close = stat.rfind(')'); close != std::string::npos) {
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        long long utime = 0;
        long long stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) {
                utime = std::stoll(field);
            } else if (i == 15) {
                stime = std::stoll(field);
            }
        }
        sample.cpuTicks = utime + stime;
    }
    sample.rssKb = statusField(readFile(base + "/status"), "VmRSS");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base + "/task", error)) {
        const std::string status = readFile(entry.path().string() + "/status");
        if (status.empty()) {
            continue;
        }
        ProcSample::Thread thread;
        thread.name = readFile(entry.path().string() + "/comm");
        while (!thread.name.empty() && thread.name.back() == '\n') {
            thread.name.pop_back();
        }
        thread.switches = statusField(status, "voluntary_ctxt_switches");
        thread.preempted = statusField(status, "nonvoluntary_ctxt_switches");
        sample.threads[std::stoi(entry.path().filename().string())] = thread;
    }
    return sample;
}

long rssKb(pid_t pid) {
    return statusField(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS");
}

long privateKb(pid_t pid) {
    const std::string rollup = readFile("/proc/" + std::to_string(pid) + "/smaps_rollup");
    return statusField(rollup, "Private_Dirty");
}

double cpuSeconds(const ProcSample& before, const ProcSample& after) {
    return static_cast<double>(after.cpuTicks - before.cpuTicks) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

Wakeups wakeupsBetween(const ProcSample& before, const ProcSample& after) {
    Wakeups w;
    for (const auto& [tid, thread] : after.threads) {
        const auto it = before.threads.find(tid);
        const bool old = it != before.threads.end();
        w.preempted += thread.preempted - (old ? it->second.preempted : 0);
        const long delta = thread.switches - (old ? it->second.switches : 0);
        if (delta > 0) {
            w.total += delta;
            w.byThread.emplace_back(thread.name, delta);
        }
    }
    return w;
}

}  // namespace wystrand::bench

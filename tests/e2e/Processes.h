#pragma once

#include <sys/types.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/PrivateBus.h"
#include "support/XvfbServer.h"

namespace wystrand::test {

using namespace std::chrono_literals;

// Polls `condition` until it holds or `timeout` passes.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Starts a child process that ends with the test process, even when that one is killed.
std::unique_ptr<QProcess> startChild(const QStringList& argv, const EnvChanges& env);
// Waits for the end: the exit status, 128 + the signal when a signal ended it, -1 on a timeout.
int exitStatus(QProcess& child, std::chrono::milliseconds timeout = 10s);
std::vector<pid_t> childrenOf(qint64 pid);

struct RunResult {
    int status;
    std::string out;
    std::string err;
};
RunResult run(const QStringList& argv, const EnvChanges& env);

// What the agent runs against: a private X server and private session and system buses (with a
// connection to each), its session id "3". Needs a QCoreApplication.
class Desktop {
public:
    enum class Bus { session, system };
    ~Desktop();

    bool start();
    EnvChanges environment() const;
    QDBusConnection connection(Bus bus) const;
    // Waits until process `pid` has a connection on `bus` and has answered a call sent after
    // every message sent before on that bus: those messages have then reached it.
    bool syncWith(Bus bus, qint64 pid);

private:
    XvfbServer xvfb_;
    PrivateBus buses_;
    std::string display_;
};

}  // namespace wystrand::test

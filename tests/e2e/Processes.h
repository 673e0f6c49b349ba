#pragma once

#include <signal.h>
#include <sys/prctl.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "support/PrivateBus.h"
#include "support/XvfbServer.h"

namespace wystrand::test {

using namespace std::chrono_literals;

// Polls `condition` until it holds or `timeout` passes.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = 10s) {
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
using EnvChanges = std::map<QString, std::optional<QString>>;

// A child process that ends with the test process, even when that one is killed.
inline std::unique_ptr<QProcess> startChild(const QStringList& argv, const EnvChanges& env) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) {
        environment.remove(name);
        if (value) {
            environment.insert(name, *value);
        }
    }
    auto child = std::make_unique<QProcess>();
    child->setProcessEnvironment(environment);
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    child->start(argv.first(), argv.mid(1));
    child->waitForStarted();
    return child;
}

// Waits for the end: the exit status, 128 + the signal when a signal ended it, -1 on a timeout.
inline int exitStatus(QProcess& child, std::chrono::milliseconds timeout = 10s) {
    if (!child.waitForFinished(int(timeout.count())) && child.state() != QProcess::NotRunning) {
        return -1;
    }
    return (child.exitStatus() == QProcess::CrashExit ? 128 : 0) + child.exitCode();
}

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

inline RunResult run(const QStringList& argv, const EnvChanges& env) {
    const auto child = startChild(argv, env);
    const int status = exitStatus(*child, 20s);
    return {status, child->readAllStandardOutput().toStdString(),
            child->readAllStandardError().toStdString()};
}

inline std::vector<pid_t> childrenOf(qint64 pid) {
    std::vector<pid_t> children;
    std::error_code ignored;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ignored)) {
        std::ifstream in(task.path() / "children");
        for (pid_t child; in >> child;) {
            children.push_back(child);
        }
    }
    return children;
}

// What the agent runs against: a private X server and private session and system buses, its
// session id "3". Needs a QCoreApplication.
struct Desktop {
    enum class Bus { session, system };
    XvfbServer xvfb;
    PrivateBus buses;
    EnvChanges environment;

    bool start() {
        const QString display = QString::fromStdString(xvfb.start());
        if (display.isEmpty() || !buses.start()) {
            return false;
        }
        environment = {{"DISPLAY", display},
                       {"DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(buses.sessionAddress())},
                       {"DBUS_SYSTEM_BUS_ADDRESS", QString::fromStdString(buses.systemAddress())},
                       {"XDG_SESSION_ID", "3"},
                       {"WAYLAND_DISPLAY", std::nullopt},
                       {"QT_QPA_PLATFORM", std::nullopt}};
        return connection(Bus::session).isConnected() && connection(Bus::system).isConnected();
    }
    // A connection of the test's own, named after the address as that is new for each Desktop.
    QDBusConnection connection(Bus bus) const {
        const QString address = *environment.at(bus == Bus::session ? "DBUS_SESSION_BUS_ADDRESS"
                                                                    : "DBUS_SYSTEM_BUS_ADDRESS");
        return QDBusConnection::connectToBus(address, address);
    }
    // Waits until process `pid` has a connection on `bus` and has answered a call sent after
    // every message sent before on that bus: those messages have then reached it.
    bool syncWith(Bus bus, qint64 pid) const {
        const QDBusConnection conn = connection(bus);
        QString name;
        const bool found = eventually([&] {
            for (const QString& candidate : conn.interface()->registeredServiceNames().value()) {
                if (candidate.startsWith(':') &&
                    conn.interface()->servicePid(candidate).value() == pid) {
                    name = candidate;
                }
            }
            return !name.isEmpty();
        });
        // A refusal will do: it comes after the earlier messages too.
        const QDBusMessage reply = conn.call(QDBusMessage::createMethodCall(
            name, "/", "org.freedesktop.DBus.Introspectable", "Introspect"));
        return found && (reply.type() == QDBusMessage::ReplyMessage ||
                         reply.errorName() == "org.freedesktop.DBus.Error.UnknownObject");
    }
};

}  // namespace wystrand::test

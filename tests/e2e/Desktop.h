#pragma once

#include <sys/types.h>

#include <QDBusMessage>
#include <memory>
#include <string>

#include "e2e/Processes.h"
#include "support/PrivateBus.h"
#include "support/XvfbServer.h"

class QDBusConnection;

namespace wystrand::test {

// What the agent runs against in these tests: a private X server and private session and
// system buses, with a connection to each bus for sending the signals the agent listens for.
// Needs a QCoreApplication.
class Desktop {
public:
    enum class Bus { session, system };

    // The session id the agent is given; without login1 on the bus its session object is
    // /org/freedesktop/login1/session/_33.
    static constexpr const char* kSessionId = "3";

    Desktop();
    ~Desktop();

    bool start();

    // The agent's environment: this display and these buses, no Wayland, no platform override.
    EnvChanges agentEnvironment() const;

    void send(Bus bus, const QDBusMessage& message);

    // Waits until the process `pid` has a connection on `bus` and has answered a call sent
    // after every message sent before on that bus: those messages have then reached it.
    bool syncWith(Bus bus, pid_t pid);

private:
    QDBusConnection& connection(Bus bus);

    XvfbServer xvfb_;
    PrivateBus buses_;
    std::string display_;
    std::unique_ptr<QDBusConnection> session_;
    std::unique_ptr<QDBusConnection> system_;
};

}  // namespace wystrand::test

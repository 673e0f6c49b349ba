#pragma once

#include <sys/types.h>

#include <string>

namespace wystrand::test {

// A private session bus and a private "system" bus, each its own dbus-daemon listening on a
// socket in a temporary directory, for tests that must not touch the machine's buses. Point
// DBUS_SESSION_BUS_ADDRESS and DBUS_SYSTEM_BUS_ADDRESS at the addresses to use them.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts both daemons and waits until they accept connections. False when either could
    // not be started; whatever was started is stopped again.
    bool start();
    void stop();

    const std::string& sessionAddress() const { return sessionAddress_; }
    const std::string& systemAddress() const { return systemAddress_; }

private:
    struct Daemon {
        pid_t pid = -1;
        std::string socketPath;
    };
    bool startDaemon(const std::string& name, Daemon& daemon, std::string& address);
    static void stopDaemon(Daemon& daemon);

    std::string dir_;
    Daemon session_;
    Daemon system_;
    std::string sessionAddress_;
    std::string systemAddress_;
};

}  // namespace wystrand::test

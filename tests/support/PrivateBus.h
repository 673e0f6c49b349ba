#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <string>

namespace wystrand::test {

// A private session bus and a private "system" bus, each its own dbus-daemon, for tests that
// must not touch the machine's buses. Both end with this object.
class PrivateBus {
public:
    ~PrivateBus();
    // Starts both daemons; false when either did not come up.
    bool start();
    const std::string& sessionAddress() const { return address_[0]; }
    const std::string& systemAddress() const { return address_[1]; }

private:
    QProcess daemon_[2];
    std::string address_[2];
};

// Sends a call from `from` to `service` and runs the event loop until it is answered, and a few
// passes more. Messages are delivered in order: whatever `from` sent before has then reached
// `service`, and what `service` sent before has been handled here with what it queued.
bool settle(const QDBusConnection& from, const QString& service);

}  // namespace wystrand::test

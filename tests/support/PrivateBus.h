#pragma once

#include <sys/types.h>

#include <string>

namespace wystrand::test {

// A private session bus and a private "system" bus, each its own dbus-daemon, for tests that
// must not touch the machine's buses. The destructor stops both.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts both daemons; false when either did not come up.
    bool start();
    const std::string& sessionAddress() const { return address_[0]; }
    const std::string& systemAddress() const { return address_[1]; }

private:
    pid_t pid_[2] = {-1, -1};
    std::string address_[2];
};

}  // namespace wystrand::test

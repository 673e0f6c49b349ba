#pragma once

#include <sys/types.h>

#include <string>

namespace wystrand::test {

// A private X server for one test process: Xvfb at 1440x875x24 on the first free display,
// without a window manager. Add tests/support/XvfbServer.cpp to the test's sources.
//
//     XvfbServer xvfb;
//     const std::string display = xvfb.start();  // ":N", or empty when Xvfb did not come up
//     qputenv("DISPLAY", display.c_str());
//
// The destructor stops the server.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server and waits until it accepts connections (at most 10 s). Returns the
    // display name, or an empty string on failure. Calling it again returns the same name.
    std::string start();
    void stop();

    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace wystrand::test

#pragma once

#include <sys/types.h>

#include <string>

namespace wystrand::test {

// A private X server for one test process: Xvfb at 1440x875x24 on the first free display,
// without a window manager. It ends with this object, or with the process if that is killed.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Waits until the server accepts connections (at most 10 s). Returns the display name
    // (":N"), or an empty string on failure. Calling it again returns the same name.
    std::string start();

private:
    void stop();

    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace wystrand::test

#pragma once

#include <sys/types.h>

#include <string>
#include <utility>

namespace wystrand::test {

// A private X server: Xvfb at 1440x875x24 (or the size given) on the first free display,
// without a window manager. It ends with this object, or with the process that started it.
class XvfbServer {
public:
    explicit XvfbServer(std::string screen = "1440x875x24") : screen_(std::move(screen)) {}
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Waits until the server accepts connections and returns its display name (":N"), or an
    // empty string when it did not come up. Calling it again returns the same name.
    std::string start();

private:
    std::string screen_;
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace wystrand::test

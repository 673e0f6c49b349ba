#pragma once

#include <signal.h>
#include <sys/types.h>

#include <QProcess>
#include <optional>
#include <string>
#include <vector>

namespace wystrand::test {

// A private headless compositor in a runtime directory of its own: sway (pixman, no XWayland, one
// 1440x875 output; as nobody under root, which it refuses) or weston, which has no layer-shell.
// Both end with this object, or with the process that started them.
class WaylandServer {
public:
    enum class Kind { sway, weston };
    explicit WaylandServer(Kind kind) : kind_(kind) {}
    ~WaylandServer() { stop(); }

    // Waits until clients can connect. False, with why(), when the compositor is not
    // installed or did not come up.
    bool start();
    void stop(int signal = SIGTERM);
    const std::string& why() const { return why_; }

    pid_t pid() const { return pid_; }
    const std::string& runtimeDir() const { return dir_; }
    // The socket's name inside runtimeDir(), for WAYLAND_DISPLAY.
    const std::string& display() const { return display_; }
    // sway only: runs swaymsg with `args`; what it printed, or nothing if it failed.
    std::optional<std::string> swaymsg(const std::vector<std::string>& args) const;

private:
    Kind kind_;
    QProcess compositor_;
    pid_t pid_ = -1;
    std::string dir_, display_, why_;
};

}  // namespace wystrand::test

#include "support/WaylandServer.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace wystrand::test {

namespace {

constexpr uid_t nobody = 65534;

bool installed(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The first file in `dir` whose name starts with `prefix` and that is a socket.
std::string findSocket(const std::string& dir, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && entry.is_socket(error)) {
            return name;
        }
    }
    return {};
}

}  // namespace

WaylandServer::~WaylandServer() {
    stop();
}

void WaylandServer::stop(int signal) {
    if (pid_ > 0) {
        kill(pid_, signal);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (!dir_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
        dir_.clear();
    }
}

bool WaylandServer::start() {
    const char* program = kind_ == Kind::sway ? "sway" : "weston";
    if (!installed(program)) {
        why_ = std::string(program) + " is not installed (scripts/deps test installs it)";
        return false;
    }
    const bool asNobody = kind_ == Kind::sway && getuid() == 0;
    // wlroots allocates its outputs' buffers with shm_open: a chroot that binds /dev without its
    // tmpfs leaves /dev/shm to root alone, and sway then runs but draws nothing.
    struct stat shm {};
    if (asNobody && (stat("/dev/shm", &shm) != 0 || (shm.st_mode & S_IWOTH) == 0)) {
        why_ = "/dev/shm is not writable for the compositor's user (nobody): sway could not draw";
        return false;
    }
    char tmpl[] = "/tmp/wystrand-wayland-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        why_ = "no runtime directory";
        return false;
    }
    dir_ = tmpl;
    const std::string config = dir_ + "/config";
    std::ofstream(config) << "xwayland disable\noutput HEADLESS-1 resolution 1440x875\n";
    if (asNobody &&
        (chown(dir_.c_str(), nobody, nobody) != 0 || chown(config.c_str(), nobody, nobody) != 0)) {
        why_ = "cannot hand the runtime directory to nobody";
        return false;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("WAYLAND_SOCKET");
        setenv("WLR_BACKENDS", "headless", 1);
        setenv("WLR_RENDERER", "pixman", 1);
        setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
        if (getppid() == parent) {
            if (asNobody) {
                // The death signal is cleared by the change of user; setpriv sets it again.
                execlp("setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                       "--pdeathsig=TERM", "sway", "-c", config.c_str(),
                       static_cast<char*>(nullptr));
            } else if (kind_ == Kind::sway) {
                execlp("sway", "sway", "-c", config.c_str(), static_cast<char*>(nullptr));
            } else {
                execlp("weston", "weston", "--backend=headless-backend.so", "--width=1440",
                       "--height=875", "--socket=wayland-weston", "--idle-time=0",
                       static_cast<char*>(nullptr));
            }
        }
        _exit(127);
    }
    using namespace std::chrono_literals;
    for (auto waited = 0ms; waited < 10s; waited += 20ms) {
        display_ = findSocket(dir_, "wayland-");
        const bool ipc = kind_ == Kind::weston || !findSocket(dir_, "sway-ipc.").empty();
        if (!display_.empty() && ipc) {
            return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    why_ = std::string(program) + " did not come up";
    return false;
}

bool WaylandServer::swaymsg(const std::vector<std::string>& args) const {
    const std::string socket = dir_ + "/" + findSocket(dir_, "sway-ipc.");
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 1);
        std::vector<const char*> argv{"swaymsg", "-s", socket.c_str()};
        for (const std::string& arg : args) {
            argv.push_back(arg.c_str());
        }
        argv.push_back(nullptr);
        execvp("swaymsg", const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace wystrand::test

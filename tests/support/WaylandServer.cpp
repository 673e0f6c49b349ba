#include "support/WaylandServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <utility>

#include "support/PrivateServers.h"
#include "support/Wait.h"

namespace wystrand::test {

namespace {

constexpr uid_t nobody = 65534;

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

void WaylandServer::stop(int signal) {
    if (compositor_.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(compositor_.processId()), signal);
        compositor_.waitForFinished();
    }
    std::error_code error;
    std::filesystem::remove_all(std::exchange(dir_, {}), error);
}

bool WaylandServer::start() {
    const QString program = kind_ == Kind::sway ? "sway" : "weston";
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        why_ = program.toStdString() + " is not installed (scripts/deps test installs it)";
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
    dir_ = mkdtemp(tmpl) ? tmpl : "";
    const std::string config = dir_ + "/config";
    std::ofstream(config) << "xwayland disable\noutput HEADLESS-1 resolution 1440x875\n";
    if (dir_.empty() || (asNobody && (chown(dir_.c_str(), nobody, nobody) != 0 ||
                                      chown(config.c_str(), nobody, nobody) != 0))) {
        why_ = "no runtime directory for the compositor";
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"}) {
        env.remove(name);
    }
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_));
    env.insert("WLR_BACKENDS", "headless");
    env.insert("WLR_RENDERER", "pixman");
    env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    compositor_.setProcessEnvironment(env);
    compositor_.setStandardOutputFile(QProcess::nullDevice());
    const QString swayConfig = QString::fromStdString(config);
    // The death signal is cleared by the change of user; setpriv sets it again.
    startDaemon(compositor_,
                asNobody
                    ? QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                  "--pdeathsig=TERM", "sway", "-c", swayConfig}
                : kind_ == Kind::sway
                    ? QStringList{"sway", "-c", swayConfig}
                    : QStringList{"weston", "--backend=headless-backend.so", "--width=1440",
                                  "--height=875", "--socket=wayland-weston", "--idle-time=0"});
    pid_ = pid_t(compositor_.processId());
    const bool up = waitUntil(
        [&] {
            display_ = findSocket(dir_, "wayland-");
            const bool ipc = kind_ == Kind::weston || !findSocket(dir_, "sway-ipc.").empty();
            return (!display_.empty() && ipc) || compositor_.waitForFinished(0);
        },
        std::chrono::seconds(10));
    if (!up || compositor_.state() == QProcess::NotRunning) {
        why_ = program.toStdString() + " did not come up";
        return false;
    }
    return true;
}

std::optional<std::string> WaylandServer::swaymsg(const std::vector<std::string>& args) const {
    QStringList argv{"-s", QString::fromStdString(dir_ + "/" + findSocket(dir_, "sway-ipc."))};
    for (const std::string& arg : args) {
        argv << QString::fromStdString(arg);
    }
    QProcess swaymsg;
    swaymsg.start("swaymsg", argv);
    if (!swaymsg.waitForFinished() || swaymsg.exitStatus() != QProcess::NormalExit ||
        swaymsg.exitCode() != 0) {
        return std::nullopt;
    }
    return swaymsg.readAllStandardOutput().toStdString();
}

}  // namespace wystrand::test

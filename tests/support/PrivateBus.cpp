#include "support/PrivateBus.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace wystrand::test {

namespace {

bool accepts(const std::string& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof(addr.sun_path) - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace

PrivateBus::~PrivateBus() {
    stop();
}

bool PrivateBus::start() {
    char pattern[] = "/tmp/wystrand-bus.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return false;
    }
    dir_ = pattern;
    if (!startDaemon("session", session_, sessionAddress_) ||
        !startDaemon("system", system_, systemAddress_)) {
        stop();
        return false;
    }
    return true;
}

bool PrivateBus::startDaemon(const std::string& name, Daemon& daemon, std::string& address) {
    daemon.socketPath = dir_ + "/" + name;
    const std::string configPath = dir_ + "/" + name + ".conf";
    {
        std::ofstream config(configPath);
        config << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                  "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                  "<busconfig>\n"
                  "  <type>session</type>\n"
                  "  <listen>unix:path="
               << daemon.socketPath
               << "</listen>\n"
                  "  <auth>EXTERNAL</auth>\n"
                  "  <policy context=\"default\">\n"
                  "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                  "    <allow eavesdrop=\"true\"/>\n"
                  "    <allow own=\"*\"/>\n"
                  "  </policy>\n"
                  "</busconfig>\n";
        if (!config) {
            return false;
        }
    }
    const std::string configArg = "--config-file=" + configPath;
    const std::string program = findInPath("dbus-daemon");
    if (program.empty()) {
        return false;
    }
    daemon.pid = ::fork();
    if (daemon.pid < 0) {
        return false;
    }
    if (daemon.pid == 0) {
        // The daemon ends with the test process, even when that one is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        const char* argv[] = {"dbus-daemon", configArg.c_str(), "--nofork", "--nopidfile", nullptr};
        ::execv(program.c_str(), const_cast<char* const*>(argv));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!accepts(daemon.socketPath)) {
        int status = 0;
        if (::waitpid(daemon.pid, &status, WNOHANG) == daemon.pid) {
            daemon.pid = -1;
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    address = "unix:path=" + daemon.socketPath;
    return true;
}

void PrivateBus::stopDaemon(Daemon& daemon) {
    if (daemon.pid > 0) {
        ::kill(daemon.pid, SIGTERM);
        ::waitpid(daemon.pid, nullptr, 0);
        daemon.pid = -1;
    }
}

void PrivateBus::stop() {
    stopDaemon(session_);
    stopDaemon(system_);
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        dir_.clear();
    }
    sessionAddress_.clear();
    systemAddress_.clear();
}

}  // namespace wystrand::test

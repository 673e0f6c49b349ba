#include "support/PrivateBus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace wystrand::test {

namespace {

constexpr std::string_view kConfig =
    "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";

// Starts a dbus-daemon and returns the address it prints once it listens (empty on failure).
std::string startDaemon(const std::string& configPath, pid_t& pid) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return {};
    }
    const std::string configArg = "--config-file=" + configPath;
    pid = ::fork();
    if (pid == 0) {
        // The daemon ends with the test process, even when that one is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(out[1], STDOUT_FILENO);
        ::execlp("dbus-daemon", "dbus-daemon", configArg.c_str(), "--nofork", "--nopidfile",
                 "--print-address=1", nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    std::string address;
    char c;
    while (pid > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') {
        address += c;
    }
    ::close(out[0]);
    return address;
}

}  // namespace

PrivateBus::~PrivateBus() {
    for (const pid_t pid : pid_) {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

bool PrivateBus::start() {
    char configPath[] = "/tmp/wystrand-bus.XXXXXX";
    const int fd = ::mkstemp(configPath);
    const bool written =
        fd >= 0 && ::write(fd, kConfig.data(), kConfig.size()) == ssize_t(kConfig.size());
    for (int i = 0; written && i < 2; ++i) {
        address_[i] = startDaemon(configPath, pid_[i]);
    }
    if (fd >= 0) {
        ::close(fd);
        ::unlink(configPath);
    }
    return !address_[0].empty() && !address_[1].empty();
}

}  // namespace wystrand::test

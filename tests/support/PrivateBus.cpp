#include "support/PrivateBus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace wystrand::test {

PrivateBus::~PrivateBus() {
    for (const pid_t pid : pid_) {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

bool PrivateBus::start() {
    char config[] = "/tmp/wystrand-bus.XXXXXX";
    ::close(::mkstemp(config));
    // No service directories: nothing is started on demand.
    std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                             "<auth>EXTERNAL</auth><policy context=\"default\">"
                             "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    for (int i = 0; i < 2; ++i) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || (pid_[i] = ::fork()) < 0) {
            break;
        }
        if (pid_[i] == 0) {
            // The daemon ends with the test process, even when that one is killed.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(out[1], STDOUT_FILENO);
            ::execlp("dbus-daemon", "dbus-daemon", "--config-file", config, "--nofork",
                     "--nopidfile", "--print-address=1", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        // The address is printed once the daemon listens.
        for (char c; ::read(out[0], &c, 1) == 1 && c != '\n';) {
            address_[i] += c;
        }
        ::close(out[0]);
    }
    ::unlink(config);
    return !address_[0].empty() && !address_[1].empty();
}

}  // namespace wystrand::test

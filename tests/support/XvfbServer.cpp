#include "support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace wystrand::test {

XvfbServer::~XvfbServer() {
    stop();
}

std::string XvfbServer::start() {
    int fds[2];
    if (pid_ > 0 || pipe2(fds, O_CLOEXEC) != 0) {
        return display_;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        // Xvfb writes its display number to fd 3 once it is ready; dup2 clears close-on-exec.
        const int devNull = open("/dev/null", O_WRONLY);
        if (dup2(fds[1], 3) < 0 || dup2(devNull, 1) < 0 || dup2(devNull, 2) < 0) {
            _exit(127);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1440x875x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char ch = 0;
    for (;;) {
        pollfd ready{fds[0], POLLIN, 0};
        const int n = poll(&ready, 1, 10000);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || read(fds[0], &ch, 1) != 1 || ch == '\n') {
            break;
        }
        number.push_back(ch);
    }
    close(fds[0]);
    if (pid_ < 0 || ch != '\n' || number.empty()) {
        stop();
        return {};
    }
    display_ = ":" + number;
    return display_;
}

void XvfbServer::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
    display_.clear();
}

}  // namespace wystrand::test

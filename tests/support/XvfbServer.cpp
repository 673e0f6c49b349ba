#include "support/XvfbServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace wystrand::test {

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
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
        // Xvfb writes its display number to fd 3 once it is ready; dup2 clears close-on-exec.
        const int devNull = open("/dev/null", O_WRONLY);
        if (getppid() == parent && dup2(fds[1], 3) == 3 && dup2(devNull, 1) == 1 &&
            dup2(devNull, 2) == 2) {
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen_.c_str(), "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    close(fds[1]);
    // Up to the newline, or to the end of the pipe when Xvfb exits without a display.
    std::string number;
    char ch = 0;
    for (;;) {
        const ssize_t n = read(fds[0], &ch, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n != 1 || ch == '\n') {
            break;
        }
        number.push_back(ch);
    }
    close(fds[0]);
    if (pid_ > 0 && ch == '\n' && !number.empty()) {
        display_ = ":" + number;
    }
    return display_;
}

}  // namespace wystrand::test

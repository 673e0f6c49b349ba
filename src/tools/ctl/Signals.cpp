#include "tools/ctl/Signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace wystrand::ctl {

namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int number) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

int signalPipe() {
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return pipeFds[0];
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
        ::sigaction(number, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return pipeFds[0];
}

std::vector<int> takeSignals() {
    std::vector<int> numbers;
    unsigned char bytes[64];
    ssize_t n;
    while ((n = ::read(pipeFds[0], bytes, sizeof(bytes))) > 0) {
        numbers.insert(numbers.end(), bytes, bytes + n);
    }
    return numbers;
}

}  // namespace wystrand::ctl

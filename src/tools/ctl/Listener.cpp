#include "tools/ctl/Listener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace wystrand::ctl {

namespace {

constexpr int kBacklog = 4;

bool fillAddress(const std::string& path, sockaddr_un& addr) {
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    addr = {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

bool isStaleSocket(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        return false;
    }
    sockaddr_un addr{};
    if (!fillAddress(path, addr)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 &&
                         errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

std::string runtimeBase() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat st {};
        if (value != nullptr && *value != '\0' && ::stat(value, &st) == 0 && S_ISDIR(st.st_mode) &&
            ::access(value, W_OK | X_OK) == 0) {
            return value;
        }
    }
    return "/tmp";
}

std::string failed(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

Listener::~Listener() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (ownsSocketFile_) {
        ::unlink(path_.c_str());
    }
    if (!privateDir_.empty()) {
        ::rmdir(privateDir_.c_str());
    }
}

bool Listener::listen(const std::optional<std::string>& socketPath, std::string& error) {
    if (socketPath) {
        path_ = *socketPath;
    } else {
        std::string pattern = runtimeBase() + "/wystrand-notify-ctl.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            const int failure = errno;
            error = "cannot create a private directory under " + runtimeBase() + ": " +
                    std::strerror(failure);
            return false;
        }
        privateDir_ = pattern;
        path_ = privateDir_ + "/agent.sock";
    }

    sockaddr_un addr{};
    if (!fillAddress(path_, addr)) {
        error = "socket path must be 1 to 107 bytes long: " + path_;
        return false;
    }
    if (socketPath && isStaleSocket(path_)) {
        ::unlink(path_.c_str());
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        error = failed("cannot create a socket");
        return false;
    }
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        error = failed("cannot listen at " + path_);
        return false;
    }
    ownsSocketFile_ = true;
    if (::listen(fd_, kBacklog) != 0) {
        error = failed("cannot listen at " + path_);
        return false;
    }
    return true;
}

int Listener::accept() {
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

}  // namespace wystrand::ctl

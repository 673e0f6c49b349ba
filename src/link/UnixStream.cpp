#include "link/UnixStream.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace wystrand {

int connectUnixStream(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    // connect gets the size of the whole structure; Linux's address has no length byte.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toUtf8();
    const auto length =
        std::min(static_cast<std::size_t>(bytes.size()), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path, bytes.constData(), length);
    // With an empty path the field would name an abstract socket (a leading NUL) on Linux. The
    // descriptor turns non-blocking once connected: from then on no read or write can wait for
    // the peer.
    if (length == 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void releaseBuffer(std::string& buffer) {
    constexpr std::size_t kKeptCapacity = 64 * 1024;
    if (buffer.capacity() > kKeptCapacity) {
        std::string().swap(buffer);
    } else {
        buffer.clear();
    }
}

void PendingWrites::append(std::string& bytes) {
    if (bytes_.empty()) {
        bytes_.swap(bytes);
    } else {
        bytes_ += bytes;
        releaseBuffer(bytes);
    }
}

std::size_t PendingWrites::writeTo(int fd) {
    // MSG_NOSIGNAL: a vanished peer must not raise SIGPIPE.
    std::size_t left = 0;
    while (head_ < bytes_.size()) {
        const ssize_t n = ::send(fd, bytes_.data() + head_, bytes_.size() - head_, MSG_NOSIGNAL);
        if (n > 0) {
            head_ += static_cast<std::size_t>(n);
            left += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                // The stream is broken for writing: what waits is lost. A peer that has gone
                // is noticed by the reading side.
                left += bytes_.size() - head_;
                head_ = bytes_.size();
            }
            break;
        }
    }
    if (head_ == bytes_.size()) {
        clear();
    } else if (head_ > bytes_.size() / 2) {
        bytes_.erase(0, std::exchange(head_, 0));
    }
    return left;
}

void PendingWrites::clear() {
    releaseBuffer(bytes_);
    head_ = 0;
}

}  // namespace wystrand

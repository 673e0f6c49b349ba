#include "support/ControllerPeer.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/un.h>

#include <cerrno>
#include <tuple>

#include "support/Wait.h"

namespace wystrand::test {

PipeMsg request(const QString& op, const QString& id) {
    PipeMsg record;
    record.op = op;
    record.id = id.isNull() ? std::nullopt : std::optional(id);
    return record;
}

PipeMsg showRequest(const QString& id, const QString& mode, std::int64_t duration) {
    PipeMsg record = request("show", id);
    std::tie(record.mode, record.duration) = std::tuple(mode, duration);
    return record;
}

ControllerPeer::ControllerPeer(std::string path)
    : path_(std::move(path)),
      listener_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path_.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ::unlink(path_.c_str());
    ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::listen(listener_, 8);  // a failure shows as a connection that never comes
}

ControllerPeer::~ControllerPeer() {
    drop();
    ::close(listener_);
    ::unlink(path_.c_str());
}

void ControllerPeer::pump() {
    if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        fd >= 0) {
        drop();
        peer_ = fd;
        ++connections_;
        heartbeats_ = 0;
        partial_.clear();
        records_.clear();
    }
    char chunk[65536];
    for (ssize_t n; reading_ && (n = ::recv(peer_, chunk, sizeof(chunk), 0)) > 0;) {
        partial_.append(chunk, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::string line = partial_.substr(start, end - start);
            if (line == PipeMsg::heartbeat().encode()) {
                ++heartbeats_;
            } else {
                records_.push_back(std::move(line));
            }
        }
        partial_.erase(0, start);
    }
}

bool ControllerPeer::waitUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    return test::waitUntil([&] { return pump(), done(); }, timeout);
}

bool ControllerPeer::accept() {
    return waitUntil([&, before = connections_] { return connections_ > before; });
}

bool ControllerPeer::sendBytes(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        pollfd out{peer_, POLLOUT, 0};
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (errno != EAGAIN || !waitUntil([&] { return ::poll(&out, 1, 0) == 1; })) {
            return false;
        }
    }
    return true;
}

bool ControllerPeer::taken() {
    // What a Unix-domain socket has sent stays charged to it until the reader takes it.
    return waitUntil([&] {
        int unread = -1;
        return ::ioctl(peer_, SIOCOUTQ, &unread) == 0 && unread == 0;
    });
}

std::optional<PipeMsg> ControllerPeer::waitFor(const QString& ev, const QString& id,
                                               std::chrono::milliseconds timeout) {
    std::optional<PipeMsg> found;
    std::size_t next = 0;  // records before it have been looked at
    waitUntil(
        [&] {
            for (next = std::min(next, records_.size()); !found && next < records_.size(); ++next) {
                if (const auto record = PipeMsg::decode(records_[next]);
                    record && record->ev == ev && record->id == id) {
                    found = record;
                }
            }
            return found.has_value();
        },
        timeout);
    return found;
}

}  // namespace wystrand::test

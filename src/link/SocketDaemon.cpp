#include "link/SocketDaemon.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace wystrand {

namespace {

QEvent::Type wakeEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

class SocketDaemon::IoThread : public QThread {
public:
    explicit IoThread(SocketDaemon& daemon) : daemon_(daemon) {
        setObjectName(QStringLiteral("wystrand.notify.socket"));
    }

protected:
    void run() override {
        daemon_.ioStarted();
        exec();
        daemon_.ioFinished();
    }

private:
    SocketDaemon& daemon_;
};

SocketDaemon::SocketDaemon(QString socketPath, PanelStack& windowManager, Intervals intervals,
                           QObject* parent)
    : QObject(parent),
      socketPath_(std::move(socketPath)),
      windowManager_(windowManager),
      intervals_(intervals),
      ioThread_(std::make_unique<IoThread>(*this)) {}

SocketDaemon::~SocketDaemon() {
    if (!started_) {
        return;
    }
    ioThread_->quit();
    {
        std::unique_lock lock(stateLock_);
        stateChanged_.wait(lock, [this] { return ioDone_; });
    }
    ioThread_->wait();
}

void SocketDaemon::start() {
    if (started_) {
        return;
    }
    started_ = true;
    ioThread_->start();
}

void SocketDaemon::sendRaw(const PipeMsg& msg) {
    std::string record = msg.encode();
    record.push_back('\n');
    std::lock_guard lock(writeLock_);
    if (fd_ < 0) {
        return;
    }
    // MSG_NOSIGNAL: a vanished peer must not raise SIGPIPE. A short write is continued, since
    // half a record would corrupt the stream for every record after it.
    std::size_t sent = 0;
    while (sent < record.size()) {
        const ssize_t n = ::send(fd_, record.data() + sent, record.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

void SocketDaemon::ioStarted() {
    reconnectTimer_ = std::make_unique<QTimer>();
    reconnectTimer_->setTimerType(Qt::PreciseTimer);
    reconnectTimer_->setSingleShot(true);
    reconnectTimer_->setInterval(intervals_.reconnect);
    connect(reconnectTimer_.get(), &QTimer::timeout, reconnectTimer_.get(),
            [this] { connectLoop(); });

    heartbeatTimer_ = std::make_unique<QTimer>();
    heartbeatTimer_->setTimerType(Qt::PreciseTimer);
    heartbeatTimer_->setInterval(intervals_.heartbeat);
    connect(heartbeatTimer_.get(), &QTimer::timeout, heartbeatTimer_.get(),
            [this] { sendRaw(PipeMsg::heartbeat()); });

    connectLoop();
}

void SocketDaemon::ioFinished() {
    readNotifier_.reset();
    heartbeatTimer_.reset();
    reconnectTimer_.reset();
    int fd = -1;
    {
        std::lock_guard lock(writeLock_);
        fd = std::exchange(fd_, -1);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    framer_.reset();
    std::lock_guard lock(stateLock_);
    ioDone_ = true;
    stateChanged_.notify_all();
}

void SocketDaemon::connectLoop() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        scheduleReconnect();
        return;
    }
    // Linux's address has no length byte and a 108-byte path field: the path is cut to 107
    // bytes without error, and connect gets the size of the whole structure.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath_.toUtf8();
    const auto length =
        std::min(static_cast<std::size_t>(path.size()), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path, path.constData(), length);
    // With an empty path the field would name an abstract socket (a leading NUL) on Linux.
    if (length == 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        scheduleReconnect();
        return;
    }

    {
        std::lock_guard lock(writeLock_);
        fd_ = fd;
    }
    framer_.reset();
    startHeartbeat();
    readNotifier_.reset();
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(),
            [this] { readable(); });
}

void SocketDaemon::scheduleReconnect() {
    reconnectTimer_->start();
}

void SocketDaemon::startHeartbeat() {
    heartbeatTimer_->start();
}

void SocketDaemon::readable() {
    std::array<char, 4096> chunk{};
    const ssize_t n = ::read(fd_, chunk.data(), chunk.size());
    if (n <= 0) {
        onDisconnect();
        return;
    }
    for (const std::string& line : framer_.feed({chunk.data(), static_cast<std::size_t>(n)})) {
        dispatch(line);
    }
}

void SocketDaemon::onDisconnect() {
    // Kept, disabled, until the next connection replaces it: this runs inside its own signal.
    readNotifier_->setEnabled(false);
    // Retired under the lock before the close, so that a send on the main thread can never
    // reach a closed descriptor or a new one that reuses the number.
    int fd = -1;
    {
        std::lock_guard lock(writeLock_);
        fd = std::exchange(fd_, -1);
    }
    ::close(fd);
    heartbeatTimer_->stop();
    framer_.reset();
    scheduleReconnect();
}

void SocketDaemon::dispatch(std::string_view line) {
    const std::optional<PipeMsg> msg = PipeMsg::decode(line);
    if (!msg || !msg->op) {
        return;
    }
    const QString& op = *msg->op;
    if (op == u"show") {
        if (msg->id) {
            post(ShowRequest{ShowConfig::from(*msg), *msg->id});
        }
    } else if (op == u"dismiss") {
        if (msg->id) {
            post(DismissRequest{*msg->id});
        }
    } else if (op == u"ping") {
        sendRaw(PipeMsg::pong());
    }
}

void SocketDaemon::post(Request request) {
    std::lock_guard lock(inboxLock_);
    inbox_.push_back(std::move(request));
    if (wakePending_) {
        return;
    }
    wakePending_ = true;
    // Posted under the lock, and read on the main thread only once the lock is taken there:
    // Qt's event queue synchronises through futexes that ThreadSanitizer cannot see, the lock
    // it can. The daemon being the receiver, Qt discards the event if the daemon is gone.
    QCoreApplication::postEvent(this, new QEvent(wakeEventType()));
}

void SocketDaemon::customEvent(QEvent* event) {
    std::vector<Request> batch;
    {
        // Taken before the event is read at all: see post().
        std::lock_guard lock(inboxLock_);
        if (event->type() != wakeEventType()) {
            return;
        }
        batch.swap(inbox_);
        wakePending_ = false;
    }
    for (Request& request : batch) {
        if (auto* show = std::get_if<ShowRequest>(&request)) {
            this->show(std::move(*show));
        } else {
            windowManager_.dismiss(std::get<DismissRequest>(request).id);
        }
    }
}

void SocketDaemon::show(ShowRequest request) {
    // The callbacks may outlive the daemon (tests destroy it); then they send nothing.
    const QPointer<SocketDaemon> self(this);
    windowManager_.show(
        request.config,
        [self, id = request.id] {
            if (self) {
                self->sendRaw(PipeMsg::ready(id));
            }
        },
        [self, id = request.id](std::int64_t code) {
            if (self) {
                self->sendRaw(PipeMsg::result(id, code));
            }
        });
}

}  // namespace wystrand

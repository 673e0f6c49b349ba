#include "link/SocketDaemon.h"

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
#include <limits>
#include <utility>

#include "link/UnixStream.h"

namespace wystrand {

namespace {

QEvent::Type flushEventType() {
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

// Lives on the I/O thread: the receiver of the wake-ups that hand it records to write.
class SocketDaemon::Waker : public QObject {
public:
    explicit Waker(SocketDaemon& daemon) : daemon_(daemon) {}

protected:
    void customEvent(QEvent* event) override { daemon_.flush(event); }

private:
    SocketDaemon& daemon_;
};

SocketDaemon::SocketDaemon(QString socketPath, PanelStack& windowManager, Options options,
                           QObject* parent)
    : QObject(parent),
      socketPath_(std::move(socketPath)),
      windowManager_(windowManager),
      options_(options),
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
    send(msg, std::nullopt);
}

void SocketDaemon::send(const PipeMsg& msg, std::optional<std::uint64_t> only) {
    std::string record = msg.encode();
    std::lock_guard lock(writeLock_);
    if (!only || *only == connection_) {
        queue(std::move(record));
    }
}

void SocketDaemon::sayHello(std::uint64_t connection) {
    std::lock_guard lock(writeLock_);
    if (connection == connection_) {
        greeted_ = connection;
        queue(PipeMsg::hello().encode());
    }
}

void SocketDaemon::sendResult(const QString& id, CardResult result) {
    std::lock_guard lock(writeLock_);
    // Decided with the record queued, so that it follows the connection the record goes to.
    const bool withReason = greeted_ == connection_;
    queue(PipeMsg::result(id, resultCode(result),
                          withReason ? std::optional(result.reason) : std::nullopt)
              .encode());
}

void SocketDaemon::queue(std::string record) {
    record.push_back('\n');
    // Records of a connection that is gone or going are lost, as on any broken link.
    if (fd_ < 0 || overflowed_) {
        return;
    }
    // backlog_ never exceeds the limit, so the subtraction cannot wrap.
    if (record.size() > options_.backlogLimit - backlog_) {
        overflowed_ = true;
    } else {
        outbox_ += record;
        backlog_ += record.size();
    }
    // On the I/O thread the caller writes the outbox before it goes back to the event loop.
    if (flushPending_ || QThread::currentThread() == ioThread_.get()) {
        return;
    }
    flushPending_ = true;
    // Posted under the lock and read only under it, as in post(). With fd_ set, the I/O thread
    // runs and wakeTarget_ is its waker.
    QCoreApplication::postEvent(wakeTarget_, new QEvent(flushEventType()));
}

void SocketDaemon::ioStarted() {
    waker_ = std::make_unique<Waker>(*this);
    {
        std::lock_guard lock(writeLock_);
        wakeTarget_ = waker_.get();
    }

    reconnectTimer_ = std::make_unique<QTimer>();
    reconnectTimer_->setTimerType(Qt::PreciseTimer);
    reconnectTimer_->setSingleShot(true);
    reconnectTimer_->setInterval(options_.reconnect);
    connect(reconnectTimer_.get(), &QTimer::timeout, reconnectTimer_.get(),
            [this] { connectLoop(); });

    heartbeatTimer_ = std::make_unique<QTimer>();
    heartbeatTimer_->setTimerType(Qt::PreciseTimer);
    heartbeatTimer_->setInterval(options_.heartbeat);
    connect(heartbeatTimer_.get(), &QTimer::timeout, heartbeatTimer_.get(), [this] {
        sendRaw(PipeMsg::heartbeat());
        writeOutbox();
    });

    connectLoop();
}

void SocketDaemon::ioFinished() {
    writeNotifier_.reset();
    readNotifier_.reset();
    heartbeatTimer_.reset();
    reconnectTimer_.reset();
    int fd = -1;
    {
        std::lock_guard lock(writeLock_);
        fd = std::exchange(fd_, -1);
        wakeTarget_ = nullptr;
        releaseBuffer(outbox_);
        backlog_ = 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    // Wake-ups still queued for it go with it.
    waker_.reset();
    pending_.clear();
    framer_.reset();
    std::lock_guard lock(stateLock_);
    ioDone_ = true;
    stateChanged_.notify_all();
}

void SocketDaemon::connectLoop() {
    const int fd = connectUnixStream(socketPath_);
    if (fd < 0) {
        scheduleReconnect();
        return;
    }

    std::uint64_t connection = 0;
    {
        std::lock_guard lock(writeLock_);
        fd_ = fd;
        connection = ++connection_;
    }
    post(Connected{connection});
    framer_.reset();
    startHeartbeat();
    readNotifier_.reset();
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(),
            [this] { readable(); });
    writeNotifier_.reset();
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, writeNotifier_.get(),
            [this] { writePending(); });
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
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;  // a readiness without bytes after all
    }
    if (n <= 0) {
        onDisconnect();
        return;
    }
    for (const std::string& line : framer_.feed({chunk.data(), static_cast<std::size_t>(n)})) {
        dispatch(line);
    }
    writeOutbox();  // the answers to this chunk's pings
}

void SocketDaemon::flush(QEvent* event) {
    {
        // Taken before the event is read at all: see post().
        std::lock_guard lock(writeLock_);
        if (event->type() != flushEventType()) {
            return;
        }
        flushPending_ = false;
    }
    writeOutbox();
}

void SocketDaemon::writeOutbox() {
    bool overflowed = false;
    {
        std::lock_guard lock(writeLock_);
        overflowed = overflowed_;
        pending_.append(outbox_);
    }
    if (overflowed) {
        // A peer that lets this much wait is treated as gone.
        onDisconnect();
        return;
    }
    writePending();
}

void SocketDaemon::writePending() {
    if (pending_.empty()) {
        return;
    }
    // Only this thread writes, so records never interleave.
    const std::size_t written = pending_.writeTo(fd_);
    writeNotifier_->setEnabled(!pending_.empty());
    std::lock_guard lock(writeLock_);
    backlog_ -= written;
}

void SocketDaemon::onDisconnect() {
    // Kept, disabled, until the next connection replaces them: this may run inside their signals.
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    // Retired under the lock before the close, so that a send on the main thread can never
    // queue a record for a closed descriptor or a new one that reuses the number; what waits
    // is lost with the link.
    int fd = -1;
    {
        std::lock_guard lock(writeLock_);
        fd = std::exchange(fd_, -1);
        releaseBuffer(outbox_);
        backlog_ = 0;
        overflowed_ = false;
    }
    pending_.clear();
    ::close(fd);
    heartbeatTimer_->stop();
    framer_.reset();
    scheduleReconnect();
}

}  // namespace wystrand

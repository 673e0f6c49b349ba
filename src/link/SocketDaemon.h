#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/context/ContextFeed.h"
#include "core/context/ContextReport.h"
#include "core/link/LineFramer.h"
#include "core/message/Protocol.h"
#include "core/panels/PanelStack.h"
#include "link/UnixStream.h"

class QEvent;
class QSocketNotifier;
class QTimer;

namespace wystrand {

// The link's timing and its one size limit. Outside the class only so that it can be a defaulted
// argument of the constructor (a nested class's member initializers are not usable until the
// enclosing class is complete); spelled SocketDaemon::Options.
struct SocketDaemonOptions {
    std::chrono::milliseconds reconnect{2000};
    std::chrono::milliseconds heartbeat{10000};
    // The most bytes of records that may wait for a peer that does not read; one more record and
    // the link is dropped as lost. The largest legitimate burst is a few tens of kilobytes (500
    // cards, a "ready" and a "result" of about 40 bytes each, on top of the socket's own buffer
    // of about 200 KiB), so 4 MiB is never reached by a peer that reads, while a stuck peer costs
    // the agent no more than that.
    std::size_t backlogLimit = std::size_t{4} << 20;
};

// The agent's link to its controller: the client side of a Unix-domain stream socket. Connects,
// reconnects after a fixed delay, sends a heartbeat while connected, cuts the incoming bytes into
// lines and dispatches each request; "show" and "dismiss" go to the panel stack on the main
// thread, whose card events come back through sendRaw. A connection that asks ("watch") hears
// the person's context from then on, and one that says "hello" hears why each card ended; a new
// connection starts with neither.
//
// The object lives on the main thread. Every socket operation runs on its own I/O thread, the
// writes included: a record sent from any thread is handed to the I/O thread, which writes the
// records in order on a non-blocking descriptor whenever the socket takes them, so no thread
// ever waits for the peer. The two threads share only the descriptor with the outbox of records
// bound for the socket (under writeLock_) and the inbox of requests bound for the main thread
// (under inboxLock_).
class SocketDaemon : public QObject {
public:
    using Options = SocketDaemonOptions;

    SocketDaemon(QString socketPath, PanelStack& windowManager, Options options = {},
                 QObject* parent = nullptr);
    // Stops the I/O thread and closes the descriptor (tests); the agent never destroys it.
    ~SocketDaemon() override;

    // The context that "watch" reports and whose away threshold it sets; given before start().
    // Without one, "watch" is ignored.
    void followContext(ContextFeed& context) { context_ = &context; }

    // Returns at once; connecting happens on the I/O thread. Called once.
    void start();

    // Main thread: the context changed, or became known. A watching connection hears what it
    // does not know yet.
    void contextChanged();

    // Queues one record and a line feed for the I/O thread and returns at once, from any thread;
    // records go out whole and in the order they were queued. Dropped when there is no
    // connection; lost with every other waiting record when the connection ends or a write fails.
    // A record that would take the backlog past the limit drops the link instead.
    void sendRaw(const PipeMsg& msg);

protected:
    // Drains the inbox of requests posted by the I/O thread, in arrival order.
    void customEvent(QEvent* event) override;

private:
    class IoThread;
    class Waker;

    struct ShowRequest {
        ShowConfig config;
    };
    struct DismissRequest {
        QString id;
    };
    // Connections are numbered from 1 as they are made.
    struct WatchRequest {
        std::uint64_t connection;
        std::chrono::milliseconds awayThreshold;
    };
    struct Connected {
        std::uint64_t connection;
    };
    struct HelloRequest {
        std::uint64_t connection;
    };
    using Request =
        std::variant<ShowRequest, DismissRequest, WatchRequest, Connected, HelloRequest>;

    // I/O thread.
    void ioStarted();
    void ioFinished();
    void connectLoop();
    void scheduleReconnect();
    void startHeartbeat();
    void readable();
    void flush(QEvent* event);
    void writeOutbox();  // due after sendRaw on this thread, before going back to the loop
    void writePending();
    void onDisconnect();
    void dispatch(std::string_view line);
    void post(Request request);
    // Any thread: queues `msg` as sendRaw() does, but only while connection `only` (when given)
    // is the one open.
    void send(const PipeMsg& msg, std::optional<std::uint64_t> only);
    // Main thread: answers the hello of `connection`, which hears reasons from then on, while it
    // is the one open.
    void sayHello(std::uint64_t connection);
    // Any thread: the result of card `id`, with its reason for a connection that said hello.
    void sendResult(const QString& id, CardResult result);
    // Under writeLock_: queues one encoded record of the open connection.
    void queue(std::string record);

    // Main thread.
    void show(ShowRequest request);
    void handle(Request& request);

    const QString socketPath_;
    PanelStack& windowManager_;
    const Options options_;

    std::mutex writeLock_;
    int fd_ = -1;                   // written on the I/O thread under writeLock_
    std::uint64_t connection_ = 0;  // fd_'s number, or the last one; as fd_
    std::uint64_t greeted_ = 0;     // under writeLock_: the last connection that said hello
    // Under writeLock_. The records handed over and not yet taken by the I/O thread, and the
    // bytes of this connection's records not yet written (outbox_ and pending_ together).
    std::string outbox_;
    std::size_t backlog_ = 0;
    bool overflowed_ = false;      // a record did not fit: the link is to be dropped
    Waker* wakeTarget_ = nullptr;  // waker_, while the I/O thread runs
    bool flushPending_ = false;

    std::mutex inboxLock_;
    std::vector<Request> inbox_;
    bool wakePending_ = false;

    std::unique_ptr<IoThread> ioThread_;
    bool started_ = false;  // main thread
    // Main thread: the connection last opened, as the requests have told, and the one that
    // watches, with what it has heard.
    ContextFeed* context_ = nullptr;
    std::uint64_t opened_ = 0;
    std::optional<std::uint64_t> watching_;
    ContextReport report_;
    // The I/O thread announces the end of its work here as well: QThread::wait() synchronises
    // through futexes that ThreadSanitizer cannot see.
    std::mutex stateLock_;
    std::condition_variable stateChanged_;
    bool ioDone_ = false;

    // I/O thread only; made when the thread starts and destroyed before it ends.
    std::unique_ptr<QTimer> reconnectTimer_;
    std::unique_ptr<QTimer> heartbeatTimer_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    // Enabled only while records wait for the socket to take them.
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::unique_ptr<Waker> waker_;
    // Taken from the outbox; a partial write leaves the rest here.
    PendingWrites pending_;
    LineFramer framer_;
};

}  // namespace wystrand

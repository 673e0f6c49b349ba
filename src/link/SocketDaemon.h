#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <variant>
#include <vector>

#include "core/link/LineFramer.h"
#include "core/message/Protocol.h"
#include "core/panels/PanelStack.h"

class QEvent;
class QSocketNotifier;
class QTimer;

namespace wystrand {

// The link's timing. Outside the class only so that it can be a defaulted argument of the
// constructor (a nested class's member initializers are not usable until the enclosing class is
// complete); spelled SocketDaemon::Intervals.
struct SocketDaemonIntervals {
    std::chrono::milliseconds reconnect{2000};
    std::chrono::milliseconds heartbeat{10000};
};

// The agent's link to its controller: the client side of a Unix-domain stream socket. Connects,
// reconnects after a fixed delay, sends a heartbeat while connected, cuts the incoming bytes into
// lines and dispatches each request; "show" and "dismiss" go to the panel stack on the main
// thread, whose card events come back through sendRaw.
//
// The object lives on the main thread. Every socket operation runs on its own I/O thread; the
// two threads share only the descriptor (under writeLock_) and the inbox of requests bound for
// the main thread (under inboxLock_).
class SocketDaemon : public QObject {
public:
    using Intervals = SocketDaemonIntervals;

    SocketDaemon(QString socketPath, PanelStack& windowManager, Intervals intervals = {},
                 QObject* parent = nullptr);
    // Stops the I/O thread and closes the descriptor (tests); the agent never destroys it.
    ~SocketDaemon() override;

    // Returns at once; connecting happens on the I/O thread. Called once.
    void start();

    // Writes one record and a line feed, whole, from any thread; records from different threads
    // never interleave. Dropped when there is no connection; a write error loses the record.
    void sendRaw(const PipeMsg& msg);

protected:
    // Drains the inbox of requests posted by the I/O thread, in arrival order.
    void customEvent(QEvent* event) override;

private:
    class IoThread;

    struct ShowRequest {
        ShowConfig config;
        QString id;
    };
    struct DismissRequest {
        QString id;
    };
    using Request = std::variant<ShowRequest, DismissRequest>;

    // I/O thread.
    void ioStarted();
    void ioFinished();
    void connectLoop();
    void scheduleReconnect();
    void startHeartbeat();
    void readable();
    void onDisconnect();
    void dispatch(std::string_view line);
    void post(Request request);

    // Main thread.
    void show(ShowRequest request);

    const QString socketPath_;
    PanelStack& windowManager_;
    const Intervals intervals_;

    std::mutex writeLock_;
    int fd_ = -1;  // written on the I/O thread under writeLock_

    std::mutex inboxLock_;
    std::vector<Request> inbox_;
    bool wakePending_ = false;

    std::unique_ptr<IoThread> ioThread_;
    bool started_ = false;  // main thread
    // The I/O thread announces the end of its work here as well: QThread::wait() synchronises
    // through futexes that ThreadSanitizer cannot see.
    std::mutex stateLock_;
    std::condition_variable stateChanged_;
    bool ioDone_ = false;

    // I/O thread only; made when the thread starts and destroyed before it ends.
    std::unique_ptr<QTimer> reconnectTimer_;
    std::unique_ptr<QTimer> heartbeatTimer_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    LineFramer framer_;
};

}  // namespace wystrand

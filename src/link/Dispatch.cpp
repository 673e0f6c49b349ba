// The requests of the link: decoded on the I/O thread, then handed, in order, to the main
// thread, where cards are shown and dismissed and the person's context is reported.
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <limits>
#include <utility>

#include "link/SocketDaemon.h"

namespace wystrand {

namespace {

QEvent::Type wakeEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A watch's "duration": whole seconds, 1 at the least; kept within what a 32-bit count of
// milliseconds holds, as idle timers take it.
std::chrono::milliseconds awayThreshold(const std::optional<std::int64_t>& seconds) {
    if (!seconds) {
        return ContextFeed::defaultAwayThreshold;
    }
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max() / 1000;
    return std::chrono::seconds(std::clamp<std::int64_t>(*seconds, 1, most));
}

}  // namespace

void SocketDaemon::dispatch(std::string_view line) {
    const std::optional<PipeMsg> msg = PipeMsg::decode(line);
    if (!msg || !msg->op) {
        return;
    }
    const QString& op = *msg->op;
    if (op == u"show") {
        if (msg->id) {
            post(ShowRequest{ShowConfig::from(*msg)});
        }
    } else if (op == u"dismiss") {
        if (msg->id) {
            post(DismissRequest{*msg->id});
        }
    } else if (op == u"ping") {
        sendRaw(PipeMsg::pong());
    } else if (op == u"watch") {
        post(WatchRequest{connection_, awayThreshold(msg->duration)});
    } else if (op == u"hello") {
        // Answered from the main thread, in its place among the events of the requests around it.
        post(HelloRequest{connection_});
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
        handle(request);
    }
}

void SocketDaemon::handle(Request& request) {
    if (auto* show = std::get_if<ShowRequest>(&request)) {
        this->show(std::move(*show));
    } else if (const auto* dismiss = std::get_if<DismissRequest>(&request)) {
        windowManager_.dismiss(dismiss->id);
    } else if (const auto* hello = std::get_if<HelloRequest>(&request)) {
        sayHello(hello->connection);
    } else if (const auto* connected = std::get_if<Connected>(&request)) {
        // A new controller has not asked for the context, and its threshold is the default.
        opened_ = connected->connection;
        if (context_ != nullptr && std::exchange(watching_, std::nullopt)) {
            context_->setAwayThreshold(ContextFeed::defaultAwayThreshold);
        }
    } else if (const auto& watch = std::get<WatchRequest>(request);
               context_ != nullptr && watch.connection == opened_) {
        watching_ = watch.connection;
        report_.restart();
        // May change the context, and report it, at once.
        context_->setAwayThreshold(watch.awayThreshold);
        contextChanged();
    }
}

void SocketDaemon::contextChanged() {
    // Only the truth: before every source has answered, the report waits.
    if (context_ == nullptr || !watching_ || !context_->settled()) {
        return;
    }
    for (const PipeMsg& record : report_.report(context_->context())) {
        send(record, watching_);
    }
}

void SocketDaemon::show(ShowRequest request) {
    // The callbacks may outlive the daemon (tests destroy it); then they send nothing.
    const QPointer<SocketDaemon> self(this);
    windowManager_.show(
        request.config,
        [self, id = request.config.id] {
            if (self) {
                self->sendRaw(PipeMsg::ready(id));
            }
        },
        [self, id = request.config.id](CardResult result) {
            if (self) {
                self->sendResult(id, result);
            }
        },
        [self, id = request.config.id] {
            if (self) {
                self->sendRaw(PipeMsg::held(id));
            }
        });
}

}  // namespace wystrand

#include "platform/wayland/WaylandIdle.h"

#include <wayland-client.h>

#include "platform/wayland/WaylandClient.h"
#include "protocols/ext-idle-notify-v1-client.h"
#include "protocols/kde-idle-client.h"

namespace wystrand::wayland {

namespace {

// The compositor hears of the next input once this has passed without any: the shortest it
// arms a timer for (a zero timeout, some never fire).
constexpr std::chrono::milliseconds nextInputTimeout{1};

}  // namespace

// One timeout of either protocol.
struct WaylandIdle::Timeout {
    WaylandIdle* owner;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    bool idle = false;

    ~Timeout() {
        if (notification != nullptr) {
            ext_idle_notification_v1_destroy(notification);
        }
        if (kdeTimeout != nullptr) {
            org_kde_kwin_idle_timeout_release(kdeTimeout);
        }
    }

    template <typename Proxy>
    static void idled(void* data, Proxy*) {
        auto* self = static_cast<Timeout*>(data);
        self->idle = true;
        self->owner->idled(self);
    }
    template <typename Proxy>
    static void resumed(void* data, Proxy*) {
        auto* self = static_cast<Timeout*>(data);
        self->idle = false;
        self->owner->resumed(self);
    }
    static constexpr ext_idle_notification_v1_listener notificationListener{idled, resumed};
    static constexpr org_kde_kwin_idle_timeout_listener kdeListener{idled, resumed};
};

WaylandIdle::WaylandIdle(QObject* parent) : IdleSource(parent) {}

WaylandIdle::~WaylandIdle() {
    away_.reset();
    nextInput_.reset();
    if (notifier_ != nullptr) {
        ext_idle_notifier_v1_destroy(notifier_);
    }
    if (kdeIdle_ != nullptr) {
        org_kde_kwin_idle_destroy(kdeIdle_);
    }
}

void WaylandIdle::start() {
    WaylandClient& client = WaylandClient::instance();
    if (client.seat() != nullptr) {
        notifier_ =
            static_cast<ext_idle_notifier_v1*>(client.bind(&ext_idle_notifier_v1_interface, 1));
        if (notifier_ == nullptr) {
            kdeIdle_ =
                static_cast<org_kde_kwin_idle*>(client.bind(&org_kde_kwin_idle_interface, 1));
        }
    }
    if (notifier_ == nullptr && kdeIdle_ == nullptr) {
        reportPresent(false);
        return;
    }
    away_ = timeout(threshold());
    reportPresent(true);
}

std::unique_ptr<WaylandIdle::Timeout> WaylandIdle::timeout(std::chrono::milliseconds after) {
    auto made = std::make_unique<Timeout>(Timeout{this});
    const auto ms = static_cast<std::uint32_t>(after.count());
    WaylandClient& client = WaylandClient::instance();
    if (notifier_ != nullptr) {
        made->notification =
            ext_idle_notifier_v1_get_idle_notification(notifier_, ms, client.seat());
        ext_idle_notification_v1_add_listener(made->notification, &Timeout::notificationListener,
                                              made.get());
    } else {
        made->kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, client.seat(), ms);
        org_kde_kwin_idle_timeout_add_listener(made->kdeTimeout, &Timeout::kdeListener, made.get());
    }
    client.scheduleFlush();
    return made;
}

void WaylandIdle::rearm(std::chrono::milliseconds previous) {
    const bool stillIdle = holds() && threshold() <= previous;
    away_ = timeout(threshold());
    report(stillIdle);
    // The new timeout has not idled, so it cannot tell of the input that ends this idle time.
    if (stillIdle) {
        armInput();
    }
}

void WaylandIdle::armInput() {
    if (!away_->idle && nextInput_ == nullptr) {
        nextInput_ = timeout(nextInputTimeout);
    }
}

void WaylandIdle::idled(Timeout* timeout) {
    if (timeout == away_.get()) {
        report(true);
    }
}

// Called last in a timeout's listener, which may so destroy it.
void WaylandIdle::resumed(Timeout*) {
    nextInput_.reset();
    reportInput();
}

}  // namespace wystrand::wayland

#pragma once

#include <QDBusMessage>
#include <QVariantList>
#include <functional>

#include "platform/context/ContextSource.h"

namespace wystrand {

// Idle time as GNOME's compositor counts it, Wayland and X11 input alike, through
// org.gnome.Mutter.IdleMonitor on the session bus: an idle watch at the threshold, and a
// user-active watch, which Mutter fires once, whenever the next input is wanted. Present while
// the service runs and accepts the idle watch.
class MutterIdle : public IdleSource {
    Q_OBJECT
public:
    using IdleSource::IdleSource;
    ~MutterIdle() override;

    void start() override;

private slots:
    void watchFired(uint id);

private:
    void rearm(std::chrono::milliseconds previous) override;
    void armInput() override;
    void addIdleWatch();
    void addUserActiveWatch();
    void call(const QString& method, const QVariantList& arguments,
              std::function<void(const QDBusMessage&)> answered = {});
    void appeared(bool running);

    // Mutter's watch ids start at 1; 0 is none.
    uint idleWatch_ = 0;
    uint activeWatch_ = 0;
    // An Add...Watch call is on its way.
    bool idleAsked_ = false;
    bool activeAsked_ = false;
    // Counts the service's comings and goings: replies from an earlier owner are dropped.
    unsigned owner_ = 0;
};

}  // namespace wystrand

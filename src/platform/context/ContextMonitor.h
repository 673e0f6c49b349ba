#pragma once

#include <QObject>
#include <chrono>
#include <utility>
#include <vector>

#include "core/context/Context.h"
#include "core/context/ContextFeed.h"

namespace wystrand {

class ContextSource;
class IdleSource;

// Follows, from start-up on, every source of the person's context that the desktop offers and
// keeps what is true now as a Context. Each source is optional: one that is missing, fails or
// answers with a value of the wrong type counts as "not busy" / "not away" and changes nothing
// else. Nothing is polled: the monitor wakes only when a source reports a change. Main thread
// only.
class ContextMonitor : public QObject, public ContextFeed {
    Q_OBJECT
public:
    // settled() holds at the latest this long after start(), whatever a source does.
    static constexpr std::chrono::milliseconds settleCap{1'000};

    explicit ContextMonitor(QObject* parent = nullptr);
    ~ContextMonitor() override;

    // Asks every source for its state and follows it from then on; returns at once. Once.
    void start();

    const Context& context() const override { return context_; }
    // Whether every source has given its first answer, or has been found missing, so that
    // context() is the true state rather than the defaults; at the latest settleCap after
    // start().
    bool settled() const override { return settled_; }

    // No input for this long counts as away. Re-arms the idle sources; context() follows as
    // soon as they can tell, on X11 before this returns.
    void setAwayThreshold(std::chrono::milliseconds threshold) override;
    // The screen saver started, the screens went to sleep, or the session was locked or left:
    // away, until the next keyboard or pointer input. Nothing where no source can hear input.
    void screenLocked();

signals:
    // Each change of context(), once; never for a state that repeats the last.
    void changed(const wystrand::Context& context);
    // Once, when settled() becomes true.
    void settledNow();

private:
    void follow(ContextSource* source, bool Context::*cause);
    void follow(IdleSource* source);
    void update();

    std::vector<std::pair<ContextSource*, bool Context::*>> busy_;
    // In order of preference: the first present one decides. Owned, like busy_'s, as children.
    std::vector<IdleSource*> idle_;
    Context context_;
    std::chrono::milliseconds threshold_ = defaultAwayThreshold;
    bool started_ = false;
    // Since the screen was locked, no source has heard input.
    bool locked_ = false;
    bool capped_ = false;
    bool settled_ = false;
};

}  // namespace wystrand

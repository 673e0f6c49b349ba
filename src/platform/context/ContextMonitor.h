#pragma once

#include <QObject>
#include <chrono>

#include "core/context/Context.h"

namespace wystrand {

// Follows, from start-up on, every source of the person's context that the desktop offers and
// keeps what is true now as a Context. Each source is optional: one that is missing, fails or
// answers with a value of the wrong type counts as "not busy" / "not away" and changes nothing
// else. Nothing is polled: the monitor wakes only when a source reports a change. Main thread
// only.
class ContextMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultAwayThreshold{120'000};

    explicit ContextMonitor(QObject* parent = nullptr);
    ~ContextMonitor() override;

    // Asks every source for its state and follows it from then on; returns at once. Once.
    void start();

    const Context& context() const;
    // Whether every source has given its first answer, or has been found missing, so that
    // context() is the true state rather than the defaults; at the latest a second after
    // start().
    bool settled() const;

    // No input for this long counts as away. Re-arms the idle sources; context() follows as
    // soon as they can tell.
    void setAwayThreshold(std::chrono::milliseconds threshold);
    // The screen saver started, the screens went to sleep, or the session was locked or left:
    // away, until the next keyboard or pointer input.
    void screenLocked();

signals:
    // Each change of context(), once; never for a state that repeats the last.
    void changed(const wystrand::Context& context);
    // Once, when settled() becomes true.
    void settledNow();
};

}  // namespace wystrand

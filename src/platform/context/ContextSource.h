#pragma once

#include <QObject>
#include <chrono>

namespace wystrand {

// One thing the context monitor follows, as a yes-or-no: a cause of being busy, or no input for
// a while. It starts as "does not hold" and unanswered; a source that is missing, fails or
// answers with a value of the wrong type reports "does not hold" and counts as answered. Main
// thread only.
class ContextSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Asks for the first answer and follows the source from then on; returns at once, though a
    // source that can tell at once has answered by then.
    virtual void start() = 0;

    bool holds() const { return holds_; }
    // The first answer came, or the source was found missing.
    bool answered() const { return answered_; }

signals:
    // holds() or answered() changed.
    void changed();

protected:
    // Returns whether anything changed, and so changed() was emitted.
    bool report(bool holds);

private:
    bool holds_ = false;
    bool answered_ = false;
};

// A source of the person's idle time: holds() while there has been no keyboard or pointer
// input for the threshold.
class IdleSource : public ContextSource {
    Q_OBJECT
public:
    using ContextSource::ContextSource;

    // Whether the desktop offers this source, as far as known: false until it has answered.
    bool present() const { return present_; }

    std::chrono::milliseconds threshold() const { return threshold_; }
    // Before start() or after; after, the source is re-armed and reports as soon as it can tell.
    void setThreshold(std::chrono::milliseconds threshold);

    // input() at the next keyboard or pointer input, even one that ends no idle time. Asked
    // before the source is present, it is armed once the source appears.
    void awaitInput();

signals:
    // Keyboard or pointer input after an idle time, or after awaitInput().
    void input();

protected:
    // Present, or found missing (which holds no longer).
    void reportPresent(bool present);
    // Input heard: holds() no longer, and input() emitted.
    void reportInput();

    // The threshold changed while present.
    virtual void rearm(std::chrono::milliseconds previous) = 0;
    // awaitInput() while present.
    virtual void armInput() = 0;

private:
    std::chrono::milliseconds threshold_{120'000};
    bool present_ = false;
    bool awaitingInput_ = false;
};

}  // namespace wystrand

#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <chrono>

namespace wystrand::test {

// Runs the event loop (deferred deletes included) until `done` holds or `timeout` passes.
// The timeout only bounds a failing test; passing tests never wait for it.
template <typename Predicate>
bool waitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeout.count())) {
            return false;
        }
        QTest::qWait(1);
    }
    return true;
}

// Lets every pending event, timer of zero delay and deferred delete run.
inline void drainEvents() {
    QTest::qWait(0);
}

}  // namespace wystrand::test

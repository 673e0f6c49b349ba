#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <chrono>

namespace wystrand::test {

// The tests' one wait: runs the event loop, deferred deletes included, until `done` holds or
// `timeout` has passed, and says whether it holds.
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

}  // namespace wystrand::test

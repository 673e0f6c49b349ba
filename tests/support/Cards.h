#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <chrono>

#include "core/message/ShowConfig.h"

namespace wystrand::test {

inline ShowConfig card(const QString& id, NotifyMode mode, std::int64_t duration = 90) {
    ShowConfig c;
    c.id = id;
    c.mode = mode;
    c.notifyType = "eye";
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.skip = "Skip";
    c.duration = duration;
    return c;
}

// Runs the event loop (deferred deletes included) until `done` holds or time runs out.
template <typename Predicate>
bool waitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && !clock.hasExpired(timeout.count())) {
        QTest::qWait(1);
    }
    return done();
}

}  // namespace wystrand::test

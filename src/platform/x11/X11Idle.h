#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <optional>

#include "platform/context/ContextSource.h"

namespace wystrand::x11 {

// Idle time from the X server's SYNC extension: the system counter IDLETIME, milliseconds since
// the last input, with two alarms on Qt's connection. One fires when the counter rises through
// the threshold; the other when it falls to a value below, which only input does: below the
// threshold while idle, below its value of the moment while the next input is awaited. Missing
// off the xcb platform and on a server without the counter.
class X11Idle : public IdleSource, private QAbstractNativeEventFilter {
public:
    using IdleSource::IdleSource;
    ~X11Idle() override;

    void start() override;

private:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    void rearm(std::chrono::milliseconds previous) override;
    void armInput() override;
    void setAlarm(std::uint32_t alarm, bool rising, std::int64_t value, bool create = false);
    std::optional<std::int64_t> idleTime() const;

    std::uint32_t counter_ = 0;
    std::uint32_t awayAlarm_ = 0;
    std::uint32_t inputAlarm_ = 0;
    // Set at the counter's value of the moment rather than below the threshold.
    bool inputAlarmAwaits_ = false;
    std::uint8_t alarmEvent_ = 0;
};

}  // namespace wystrand::x11

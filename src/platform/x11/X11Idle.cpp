#include "platform/x11/X11Idle.h"

#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/x11/X11Connection.h"

namespace wystrand::x11 {

namespace {

std::int64_t fromSync(xcb_sync_int64_t value) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(std::uint32_t(value.hi)) << 32) |
                                     value.lo);
}

xcb_sync_int64_t toSync(std::int64_t value) {
    return {static_cast<std::int32_t>(value >> 32), static_cast<std::uint32_t>(value)};
}

// libxcb's iterator over the list steps by the C struct's size, padding included, not by the
// entry's size on the wire (a 14-byte header, the name, padding to four bytes): the entries are
// walked here by hand.
xcb_sync_counter_t idleCounter(xcb_connection_t* c) {
    const auto list =
        take(xcb_sync_list_system_counters_reply, c, xcb_sync_list_system_counters(c));
    if (!list) {
        return XCB_NONE;
    }
    const auto* entry = reinterpret_cast<const std::uint8_t*>(
        xcb_sync_list_system_counters_counters_iterator(list.get()).data);
    const auto* end = reinterpret_cast<const std::uint8_t*>(list.get()) + 32 + 4 * list->length;
    constexpr std::size_t header = 14;
    static constexpr char name[] = "IDLETIME";
    for (std::uint32_t i = 0; i < list->counters_len && entry + header <= end; ++i) {
        xcb_sync_systemcounter_t counter;
        std::memcpy(&counter.counter, entry, sizeof counter.counter);
        std::memcpy(&counter.name_len, entry + 12, sizeof counter.name_len);
        if (entry + header + counter.name_len > end) {
            break;
        }
        if (counter.name_len == sizeof name - 1 &&
            std::memcmp(entry + header, name, sizeof name - 1) == 0) {
            return counter.counter;
        }
        entry += (header + counter.name_len + 3) & ~std::size_t(3);
    }
    return XCB_NONE;
}

}  // namespace

X11Idle::~X11Idle() {
    xcb_connection_t* c = connection();
    if (counter_ == XCB_NONE || c == nullptr) {
        return;
    }
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->removeNativeEventFilter(this);
    }
    xcb_sync_destroy_alarm(c, awayAlarm_);
    xcb_sync_destroy_alarm(c, inputAlarm_);
    xcb_flush(c);
}

void X11Idle::start() {
    xcb_connection_t* c = connection();
    const xcb_query_extension_reply_t* sync = c ? xcb_get_extension_data(c, &xcb_sync_id) : nullptr;
    if (sync == nullptr || !sync->present) {
        reportPresent(false);
        return;
    }
    take(xcb_sync_initialize_reply, c,
         xcb_sync_initialize(c, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION));
    counter_ = idleCounter(c);
    if (counter_ == XCB_NONE) {
        reportPresent(false);
        return;
    }
    alarmEvent_ = sync->first_event + XCB_SYNC_ALARM_NOTIFY;
    awayAlarm_ = xcb_generate_id(c);
    inputAlarm_ = xcb_generate_id(c);
    const std::int64_t limit = threshold().count();
    setAlarm(awayAlarm_, true, limit, true);
    setAlarm(inputAlarm_, false, limit - 1, true);
    QAbstractEventDispatcher::instance()->installNativeEventFilter(this);
    reportPresent(true);
    if (const auto idle = idleTime()) {
        report(*idle >= limit);
    }
}

bool X11Idle::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (type != QByteArrayLiteral("xcb_generic_event_t") ||
        (event->response_type & ~0x80) != alarmEvent_) {
        return false;
    }
    const auto* alarm = reinterpret_cast<const xcb_sync_alarm_notify_event_t*>(event);
    if (alarm->alarm == awayAlarm_) {
        report(true);
    } else if (alarm->alarm == inputAlarm_) {
        if (std::exchange(inputAlarmAwaits_, false)) {
            setAlarm(inputAlarm_, false, threshold().count() - 1);
        }
        reportInput();
    } else {
        return false;
    }
    return true;
}

void X11Idle::rearm(std::chrono::milliseconds) {
    const std::int64_t limit = threshold().count();
    setAlarm(awayAlarm_, true, limit);
    if (!inputAlarmAwaits_) {
        setAlarm(inputAlarm_, false, limit - 1);
    }
    // Asked after the alarms are set: a crossing in between is reported twice, never missed.
    if (const auto idle = idleTime()) {
        report(*idle >= limit);
    }
}

void X11Idle::armInput() {
    if (const auto idle = idleTime()) {
        inputAlarmAwaits_ = true;
        setAlarm(inputAlarm_, false, std::max<std::int64_t>(*idle - 1, 0));
    }
}

// Transitions with no delta stay armed: each crossing fires again. Checked, so that no error
// reaches Qt.
void X11Idle::setAlarm(std::uint32_t alarm, bool rising, std::int64_t value, bool create) {
    xcb_connection_t* c = connection();
    const auto values = [&](auto list) {
        list.counter = counter_;
        list.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
        list.value = toSync(value);
        list.testType =
            rising ? XCB_SYNC_TESTTYPE_POSITIVE_TRANSITION : XCB_SYNC_TESTTYPE_NEGATIVE_TRANSITION;
        list.delta = toSync(0);
        list.events = 1;
        return list;
    };
    const std::uint32_t mask = XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                               XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS;
    if (create) {
        const auto list = values(xcb_sync_create_alarm_value_list_t{});
        std::free(xcb_request_check(c, xcb_sync_create_alarm_aux_checked(c, alarm, mask, &list)));
    } else {
        const auto list = values(xcb_sync_change_alarm_value_list_t{});
        std::free(xcb_request_check(c, xcb_sync_change_alarm_aux_checked(c, alarm, mask, &list)));
    }
}

std::optional<std::int64_t> X11Idle::idleTime() const {
    xcb_connection_t* c = connection();
    const auto value = take(xcb_sync_query_counter_reply, c, xcb_sync_query_counter(c, counter_));
    return value ? std::optional(fromSync(value->counter_value)) : std::nullopt;
}

}  // namespace wystrand::x11

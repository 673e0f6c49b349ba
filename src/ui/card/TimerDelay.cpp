#include "ui/card/TimerDelay.h"

#include <climits>

namespace wystrand {

namespace {

// count * unit in milliseconds, saturating at INT64_MAX; 0 for non-positive inputs.
std::int64_t saturatedMillis(std::int64_t count, std::chrono::milliseconds unit) {
    const std::int64_t ms = unit.count();
    if (count <= 0 || ms <= 0) {
        return 0;
    }
    std::int64_t product = 0;
    if (__builtin_mul_overflow(count, ms, &product)) {
        return INT64_MAX;
    }
    return product;
}

}  // namespace

std::optional<int> timerDelay(std::int64_t count, std::chrono::milliseconds unit) {
    const std::int64_t ms = saturatedMillis(count, unit);
    if (ms > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(ms);
}

int animationLength(std::int64_t count, std::chrono::milliseconds unit) {
    const std::int64_t ms = saturatedMillis(count, unit);
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace wystrand

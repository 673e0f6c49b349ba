#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace wystrand {

// One second of a card's display time and countdown, unless a test shortens it.
inline constexpr std::chrono::milliseconds realSecond{1000};

// The delay of `count` units as a timer interval in milliseconds: 0 for a count of 0 or
// less, nullopt when it exceeds what a QTimer holds (such a step never comes).
std::optional<int> timerDelay(std::int64_t count, std::chrono::milliseconds unit);

// The same, clamped to the longest interval an animation holds.
int animationLength(std::int64_t count, std::chrono::milliseconds unit);

}  // namespace wystrand

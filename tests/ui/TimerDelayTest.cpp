#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "ui/card/TimerDelay.h"

namespace wystrand {
namespace {

using std::chrono::milliseconds;

// 24.8 days is the longest QTimer interval: a longer delay must never fire rather than wrap.
TEST(TimerDelayTest, ScalesUnitsAndSaturates) {
    const milliseconds second(1000);
    EXPECT_EQ(timerDelay(3, milliseconds(7)), 21);
    for (std::int64_t none : {std::int64_t{0}, std::int64_t{-5}, INT64_MIN}) {
        EXPECT_EQ(timerDelay(none, second), 0);
    }
    EXPECT_EQ(timerDelay(INT_MAX / 1000, second), INT_MAX / 1000 * 1000);
    EXPECT_EQ(timerDelay(INT_MAX / 1000 + 1, second), std::nullopt);
    EXPECT_EQ(timerDelay(INT64_MAX, second), std::nullopt);
    EXPECT_EQ(timerDelay(INT64_MAX / 2, milliseconds(3)), std::nullopt);
    EXPECT_EQ(animationLength(-1, second), 0);
    EXPECT_EQ(animationLength(INT64_MAX, second), INT_MAX);
}

}  // namespace
}  // namespace wystrand

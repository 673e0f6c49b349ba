#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "ui/card/TimerDelay.h"

namespace wystrand {
namespace {

using std::chrono::milliseconds;

TEST(TimerDelayTest, ScalesWholeUnits) {
    EXPECT_EQ(timerDelay(90, milliseconds(1000)), 90000);
    EXPECT_EQ(timerDelay(3, milliseconds(7)), 21);
}

TEST(TimerDelayTest, NothingToWaitForFiresAtOnce) {
    EXPECT_EQ(timerDelay(0, milliseconds(1000)), 0);
    EXPECT_EQ(timerDelay(-5, milliseconds(1000)), 0);
    EXPECT_EQ(timerDelay(INT64_MIN, milliseconds(1000)), 0);
}

TEST(TimerDelayTest, BeyondWhatATimerHoldsNeverFires) {
    // 24.8 days is the longest QTimer interval; one more second must not wrap around.
    EXPECT_EQ(timerDelay(INT_MAX / 1000, milliseconds(1000)), INT_MAX / 1000 * 1000);
    EXPECT_EQ(timerDelay(INT_MAX / 1000 + 1, milliseconds(1000)), std::nullopt);
    EXPECT_EQ(timerDelay(INT64_MAX, milliseconds(1000)), std::nullopt);
    EXPECT_EQ(timerDelay(INT64_MAX / 2, milliseconds(3)), std::nullopt);
}

TEST(TimerDelayTest, AnimationLengthSaturates) {
    EXPECT_EQ(animationLength(20, milliseconds(1000)), 20000);
    EXPECT_EQ(animationLength(-1, milliseconds(1000)), 0);
    EXPECT_EQ(animationLength(INT64_MAX, milliseconds(1000)), INT_MAX);
}

}  // namespace
}  // namespace wystrand

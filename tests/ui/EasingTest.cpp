#include <gtest/gtest.h>

#include "ui/panels/Easing.h"

namespace wystrand {
namespace {

// Samples of cubic-bezier(0, 0, 0.58, 1); the ease-in curve mirrors it. A linear curve or
// Qt's OutCubic and InCubic miss them by far more than the tolerance.
TEST(EasingTest, CurvesAreTheCubicBeziers) {
    const std::pair<double, double> easeOutAt[] = {
        {0.1, 0.1606}, {0.25, 0.3781}, {0.5, 0.6846}, {0.75, 0.9065}, {0.9, 0.983}};
    for (const auto& [x, y] : easeOutAt) {
        EXPECT_NEAR(easeOut().valueForProgress(x), y, 2e-3) << x;
        EXPECT_NEAR(easeIn().valueForProgress(1 - x), 1 - y, 2e-3) << 1 - x;
    }
}

}  // namespace
}  // namespace wystrand

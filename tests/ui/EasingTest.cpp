#include <gtest/gtest.h>

#include <cmath>

#include "ui/panels/Easing.h"

namespace wystrand {
namespace {

// y at x of the cubic bezier (0,0) c1 c2 (1,1), solved by bisection on the x polynomial.
double bezierAt(double x, double x1, double y1, double x2, double y2) {
    auto coord = [](double s, double p1, double p2) {
        const double r = 1 - s;
        return 3 * r * r * s * p1 + 3 * r * s * s * p2 + s * s * s;
    };
    double lo = 0;
    double hi = 1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (coord(mid, x1, x2) < x ? lo : hi) = mid;
    }
    return coord((lo + hi) / 2, y1, y2);
}

void expectCurve(const QEasingCurve& curve, double x1, double y1, double x2, double y2) {
    ASSERT_EQ(curve.type(), QEasingCurve::BezierSpline);
    for (double x : {0.0, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0}) {
        EXPECT_NEAR(curve.valueForProgress(x), bezierAt(x, x1, y1, x2, y2), 2e-3) << "at " << x;
    }
}

TEST(EasingTest, EaseOutIsTheCubicBezier) {
    const QEasingCurve curve = easeOut();
    expectCurve(curve, 0, 0, 0.58, 1);
    // Not linear, and not Qt's OutCubic, which rises much faster.
    EXPECT_GT(curve.valueForProgress(0.25), 0.35);
    EXPECT_LT(curve.valueForProgress(0.25), 0.42);
    EXPECT_GT(std::abs(curve.valueForProgress(0.25) -
                       QEasingCurve(QEasingCurve::OutCubic).valueForProgress(0.25)),
              0.1);
}

TEST(EasingTest, EaseInIsTheCubicBezier) {
    const QEasingCurve curve = easeIn();
    expectCurve(curve, 0.42, 0, 1, 1);
    EXPECT_LT(curve.valueForProgress(0.5), 0.35);
    EXPECT_GT(std::abs(curve.valueForProgress(0.5) -
                       QEasingCurve(QEasingCurve::InCubic).valueForProgress(0.5)),
              0.05);
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include "ui/panels/Easing.h"

namespace wystrand {
namespace {

// y at x of the cubic bezier (0,0) c1 c2 (1,1), solved by bisection on the x polynomial.
double bezierAt(double x, double x1, double y1, double x2, double y2) {
    auto coord = [](double s, double p1, double p2) {
        return 3 * (1 - s) * (1 - s) * s * p1 + 3 * (1 - s) * s * s * p2 + s * s * s;
    };
    double lo = 0;
    double hi = 1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (coord(mid, x1, x2) < x ? lo : hi) = mid;
    }
    return coord((lo + hi) / 2, y1, y2);
}

// Linear, OutCubic and InCubic all stray from these curves by far more than the tolerance.
TEST(EasingTest, CurvesAreTheCubicBeziers) {
    const struct {
        QEasingCurve curve;
        double x1, y1, x2, y2;
    } cases[] = {{easeOut(), 0, 0, 0.58, 1}, {easeIn(), 0.42, 0, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.curve.type(), QEasingCurve::BezierSpline);
        for (double x : {0.1, 0.25, 0.5, 0.75, 0.9, 1.0}) {
            EXPECT_NEAR(c.curve.valueForProgress(x), bezierAt(x, c.x1, c.y1, c.x2, c.y2), 2e-3)
                << "at " << x;
        }
    }
}

}  // namespace
}  // namespace wystrand

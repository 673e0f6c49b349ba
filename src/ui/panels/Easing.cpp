#include "ui/panels/Easing.h"

#include <QPointF>

namespace wystrand {

namespace {

// Only a BezierSpline curve takes segments; on any other type addCubicBezierSegment is
// silently ignored and the curve stays what it was.
QEasingCurve cubicBezier(QPointF c1, QPointF c2) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

}  // namespace

QEasingCurve easeOut() {
    return cubicBezier({0, 0}, {0.58, 1});
}

QEasingCurve easeIn() {
    return cubicBezier({0.42, 0}, {1, 1});
}

QEasingCurve jumpHalfway() {
    QEasingCurve curve;
    curve.setCustomType([](qreal progress) -> qreal { return progress < 0.5 ? 0 : 1; });
    return curve;
}

}  // namespace wystrand

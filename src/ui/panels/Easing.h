#pragma once

#include <QEasingCurve>

namespace wystrand {

// cubic-bezier(0, 0, 0.58, 1): slide-in and moves.
QEasingCurve easeOut();
// cubic-bezier(0.42, 0, 1, 1): slide-out.
QEasingCurve easeIn();
// Nothing until halfway, then all of it: a move that jumps while its card is faded out.
QEasingCurve jumpHalfway();

}  // namespace wystrand

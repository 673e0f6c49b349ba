#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace wystrand {

// Paints the card's rounded background and its border, the stroke wholly inside the shape, in
// `bounds`. A chrome cache: each size, colour pair and pixel ratio is drawn once into an image
// that later paints copy, since stroking the thin antialiased edge is the costliest part of a
// card's paint. Where the painter's device is not at a whole, even pixel ratio, an image would
// not meet its pixels, and the chrome is drawn directly. Main thread only.
void paintCardChrome(QPainter& painter, const QRect& bounds, const QColor& background,
                     const QColor& border);

}  // namespace wystrand

#pragma once

#include <QRect>
#include <QSize>
#include <vector>

// The arithmetic of a card's surface on a compositor that asks for it: the rectangles that make
// up a rounded region, and the pixels of a buffer drawn at a fractional scale.
namespace wystrand {

// Rectangles, one above the other, whose union is `rect` with its corners rounded by `radius`,
// to a pixel: every pixel whose centre lies inside the rounded shape is covered, none outside
// `rect` is, and those covered outside the shape lie within a pixel of it. Consecutive rows
// share a rectangle while their edges differ by at most that pixel, so a card's corners take
// a few rectangles each. Empty for an empty `rect`; a radius beyond half the width or height
// is cut to it, and one of zero or less leaves `rect` whole.
std::vector<QRect> roundedRectBands(const QRect& rect, double radius);

// A fractional scale is told in 120ths: 120 is one buffer pixel per logical pixel.
inline constexpr int fractionalScaleUnit = 120;

// The pixels per logical pixel for a scale in 120ths; 1 for a scale that is not positive.
double fractionalPixelRatio(int scale);

// The buffer that holds `logical` at a scale in 120ths: each side rounded up to whole pixels,
// so the picture is never cut.
QSize fractionalBufferSize(QSize logical, int scale);

}  // namespace wystrand

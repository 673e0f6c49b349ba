#pragma once

#include <QRect>
#include <span>
#include <vector>

#include "core/card/CardGeometry.h"

// Placement arithmetic of the card column at the top right of the screen's visible frame, in
// top-left coordinates (y grows downward).
namespace wystrand {

inline constexpr int cardRightMargin = 12;
inline constexpr int cardTopMargin = 8;
inline constexpr int cardGap = 8;

// The frame of a new card placed below the live cards, whose heights are given in stacking
// order (topmost first).
QRect nextFrame(const QRect& visibleFrame, NotifyMode mode, std::span<const int> liveHeights);

// The top edge of each live card, in stacking order, for a gap-free column.
std::vector<int> restackTops(const QRect& visibleFrame, std::span<const int> liveHeights);

}  // namespace wystrand

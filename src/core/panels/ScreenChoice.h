#pragma once

#include <QPoint>
#include <QRect>
#include <cstddef>
#include <optional>
#include <span>

namespace wystrand {

// The index in `screens` of the screen holding most of `activeWindow` (the first of equals),
// else of the one containing `pointer`; nothing when neither decides. All in one coordinate
// system.
std::optional<std::size_t> chooseScreen(std::span<const QRect> screens,
                                        const std::optional<QRect>& activeWindow,
                                        const std::optional<QPoint>& pointer);

}  // namespace wystrand

#pragma once

#include <algorithm>

#include "core/message/ShowConfig.h"

// The measures of a card in logical pixels. The stack arithmetic, the card's window and its
// content all take them from here.
namespace wystrand {

inline constexpr int cardWidth = 320;

// The height of a card's window, by mode alone: the texts never change it.
inline constexpr int alertCardHeight = 128;
inline constexpr int infoCardHeight = 80;
inline constexpr int countdownCardHeight = 152;
inline constexpr int tallestCardHeight =
    std::max({alertCardHeight, infoCardHeight, countdownCardHeight});

constexpr int cardHeight(NotifyMode mode) {
    switch (mode) {
        case NotifyMode::alert:
            return alertCardHeight;
        case NotifyMode::info:
            return infoCardHeight;
        case NotifyMode::countdown:
            break;
    }
    return countdownCardHeight;
}

inline constexpr double cardCornerRadius = 14;

// Paddings lie inside an edge of the card or of a part; spacings between neighbours.
inline constexpr int cardPadding = 14;  // left and right of every row, below an info card's texts
inline constexpr int headerTopPadding = 12;
inline constexpr int headerBottomPadding = 4;
inline constexpr int headerSpacing = 6;          // eyebrow to clock
inline constexpr int contentSpacing = 10;        // glyph tile to texts
inline constexpr int contentBottomPadding = 10;  // texts to the divider
inline constexpr int textSpacing = 2;            // title, message and detail
inline constexpr int detailTopPadding = 1;
inline constexpr int buttonRowPadding = 9;  // above and below the alert's buttons
inline constexpr int buttonSpacing = 8;
inline constexpr int capsuleHorizontalPadding = 14;  // around the accepting button's label
inline constexpr int capsuleVerticalPadding = 6;
inline constexpr int countdownSpacing = 6;  // progress bar to skip button
inline constexpr int countdownBottomPadding = 10;

}  // namespace wystrand

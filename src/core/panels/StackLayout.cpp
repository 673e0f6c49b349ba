#include "core/panels/StackLayout.h"

namespace wystrand {

namespace {

// QRect::right() is one less than the edge; the column hangs from x + width.
int columnLeft(const QRect& visibleFrame) {
    return visibleFrame.x() + visibleFrame.width() - cardWidth - cardRightMargin;
}

}  // namespace

QRect nextFrame(const QRect& visibleFrame, NotifyMode mode, std::span<const int> liveHeights) {
    int offset = cardTopMargin;
    for (int h : liveHeights) {
        offset += h + cardGap;
    }
    return {columnLeft(visibleFrame), visibleFrame.y() + offset, cardWidth, cardHeight(mode)};
}

std::vector<int> restackTops(const QRect& visibleFrame, std::span<const int> liveHeights) {
    std::vector<int> tops;
    tops.reserve(liveHeights.size());
    int offset = cardTopMargin;
    for (int h : liveHeights) {
        tops.push_back(visibleFrame.y() + offset);
        offset += h + cardGap;
    }
    return tops;
}

}  // namespace wystrand

#include <gtest/gtest.h>

#include <vector>

#include "core/panels/StackLayout.h"

namespace wystrand {
namespace {

const QRect screen{0, 0, 1440, 875};

TEST(StackLayoutTest, HeightDependsOnModeOnly) {
    EXPECT_EQ(cardHeight(NotifyMode::alert), 128);
    EXPECT_EQ(cardHeight(NotifyMode::info), 80);
    EXPECT_EQ(cardHeight(NotifyMode::countdown), 152);
}

TEST(StackLayoutTest, ColumnGrowsDownFromTopRight) {
    std::vector<int> live;
    EXPECT_EQ(nextFrame(screen, NotifyMode::alert, live), QRect(1108, 8, 320, 128));
    live.push_back(128);
    EXPECT_EQ(nextFrame(screen, NotifyMode::info, live), QRect(1108, 144, 320, 80));
    live.push_back(80);
    EXPECT_EQ(nextFrame(screen, NotifyMode::countdown, live), QRect(1108, 232, 320, 152));
}

TEST(StackLayoutTest, RestackClosesTheGap) {
    const std::vector<int> full{128, 80, 152};
    EXPECT_EQ(restackTops(screen, full), (std::vector<int>{8, 144, 232}));
    const std::vector<int> afterFirstClosed{80, 152};
    EXPECT_EQ(restackTops(screen, afterFirstClosed), (std::vector<int>{8, 96}));
    EXPECT_TRUE(restackTops(screen, {}).empty());
}

TEST(StackLayoutTest, FollowsAnOffsetVisibleFrame) {
    // A panel at the top and a second monitor to the left: the column hangs from the
    // visible frame's own right and top edges.
    const QRect shifted{-1920, 27, 1920, 1053};
    EXPECT_EQ(nextFrame(shifted, NotifyMode::info, std::vector<int>{152}),
              QRect(-332, 27 + 8 + 152 + 8, 320, 80));
    EXPECT_EQ(restackTops(shifted, std::vector<int>{80, 80}), (std::vector<int>{35, 123}));
}

TEST(StackLayoutTest, ColumnIsNotLimitedToTheScreen) {
    const std::vector<int> live(10, 152);
    EXPECT_EQ(nextFrame(screen, NotifyMode::alert, live).y(), 8 + 10 * 160);
}

}  // namespace
}  // namespace wystrand

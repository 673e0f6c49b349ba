#include <gtest/gtest.h>

#include <vector>

#include "core/panels/StackLayout.h"

namespace wystrand {
namespace {

using Tops = std::vector<int>;

TEST(StackLayoutTest, ColumnHangsFromTheVisibleFramesTopRightWithoutGaps) {
    const QRect screen{0, 0, 1440, 875};
    EXPECT_EQ(nextFrame(screen, NotifyMode::alert, {}), QRect(1108, 8, 320, 128));
    EXPECT_EQ(nextFrame(screen, NotifyMode::info, Tops{128}), QRect(1108, 144, 320, 80));
    EXPECT_EQ(nextFrame(screen, NotifyMode::countdown, Tops{128, 80}), QRect(1108, 232, 320, 152));
    EXPECT_EQ(nextFrame(screen, NotifyMode::alert, Tops(10, 152)).y(), 8 + 10 * 160);  // no limit
    EXPECT_EQ(restackTops(screen, Tops{128, 80, 152}), (Tops{8, 144, 232}));
    EXPECT_EQ(restackTops(screen, Tops{80, 152}), (Tops{8, 96}));

    const QRect shifted{-1920, 27, 1920, 1053};  // a top panel, a second monitor to the left
    EXPECT_EQ(nextFrame(shifted, NotifyMode::info, Tops{152}), QRect(-332, 195, 320, 80));
    EXPECT_EQ(restackTops(shifted, Tops{80, 80}), (Tops{35, 123}));
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <array>

#include "core/panels/ScreenChoice.h"

namespace wystrand {
namespace {

// Two monitors side by side, the right one smaller and lower, and nothing beyond x 2720.
constexpr std::array<QRect, 2> desk{QRect(0, 0, 1440, 875), QRect(1440, 100, 1280, 720)};

TEST(ScreenChoiceTest, TheActiveWindowDecidesByItsLargerShare) {
    // 440 px of its width on the left, 160 on the right; the pointer is not asked.
    EXPECT_EQ(chooseScreen(desk, QRect(1000, 200, 600, 300), QPoint(2000, 300)), 0u);
    EXPECT_EQ(chooseScreen(desk, QRect(1300, 200, 600, 300), QPoint(10, 10)), 1u);
    // Taller on the left than on the right, where the screen starts 100 px lower.
    EXPECT_EQ(chooseScreen(desk, QRect(1340, 0, 200, 150), std::nullopt), 0u);
    EXPECT_EQ(chooseScreen(desk, QRect(1240, 200, 400, 100), std::nullopt), 0u)
        << "the first of equal shares";
}

TEST(ScreenChoiceTest, ThePointerDecidesWhenTheWindowIsOnNoScreen) {
    for (const QRect& window :
         {QRect(3000, 0, 400, 300), QRect(2000, 300, 0, 0), QRect(-32768, -32768, 100, 100)}) {
        EXPECT_EQ(chooseScreen(desk, window, QPoint(1440, 100)), 1u) << window.x();
    }
    EXPECT_EQ(chooseScreen(desk, std::nullopt, QPoint(1439, 874)), 0u);
    EXPECT_EQ(chooseScreen(desk, std::nullopt, QPoint(2000, 50)), std::nullopt) << "above R";
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <string>

#include "ui/card/RecentlyUsed.h"

namespace wystrand {
namespace {

TEST(RecentlyUsedTest, MakesEachValueOnceAndDropsTheLeastRecentlyUsedWhenFull) {
    RecentlyUsed<int, std::string, 2> kept;
    int made = 0;
    auto get = [&](int key) {
        return kept.get(key, [&] {
            ++made;
            return "v" + std::to_string(key);
        });
    };
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(get(2), "v2");
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(made, 2);

    // 2 was used least recently: 3 takes its place, 1 stays.
    EXPECT_EQ(get(3), "v3");
    EXPECT_EQ(kept.size(), 2U);
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(made, 3);
    EXPECT_EQ(get(2), "v2");
    EXPECT_EQ(made, 4);
}

}  // namespace
}  // namespace wystrand

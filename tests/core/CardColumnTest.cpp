#include <gtest/gtest.h>

#include <vector>

#include "core/panels/CardColumn.h"

namespace wystrand {
namespace {

using Moves = std::vector<ColumnMove>;
const QRect visible{0, 0, 1440, 875};

TEST(CardColumnTest, ARestackMovesOnlyTheCardsWhosePlaceChanges) {
    CardColumn column;
    for (CardHandle card = 1; card <= 12; ++card) {
        column.place("c", card, NotifyMode::countdown, visible);  // 160 apart: 6 in view
    }
    EXPECT_TRUE(column.remove(12));
    EXPECT_FALSE(column.remove(12));
    EXPECT_TRUE(column.restack(visible).empty()) << "the bottom card leaves no gap";

    // Cards 2 and 3 end in the same turn: one restack gives the frames of two in a row.
    CardColumn oneByOne = column;
    column.remove(2);
    column.remove(3);
    oneByOne.remove(2);
    oneByOne.restack(visible);
    oneByOne.remove(3);
    oneByOne.restack(visible);
    const Moves moves = column.restack(visible);
    ASSERT_EQ(moves.size(), 8U);
    EXPECT_EQ(moves.front(), (ColumnMove{4, 168, true}));
    // Card 9 travels from 1288 to 968, below the bottom edge (875) the whole way: it jumps.
    EXPECT_EQ(moves[4], (ColumnMove{8, 808, true})) << "ends in view";
    EXPECT_EQ(moves[5], (ColumnMove{9, 968, false}));
    for (std::size_t i = 0; i < column.entries().size(); ++i) {
        EXPECT_EQ(column.entries()[i].frame, oneByOne.entries()[i].frame);
    }
}

}  // namespace
}  // namespace wystrand

#include <gtest/gtest.h>

#include <vector>

#include "core/panels/CardColumn.h"
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

using Moves = std::vector<ColumnMove>;
using Cards = std::vector<CardHandle>;
const QRect visible{0, 0, 1440, 875};

TEST(CardColumnTest, EveryCardKeepsItsOwnEntryWhateverItsId) {
    CardColumn column;
    EXPECT_EQ(column.place("x", 1, NotifyMode::alert, visible), QRect(1108, 8, 320, 128));
    EXPECT_EQ(column.place("x", 2, NotifyMode::info, visible), QRect(1108, 144, 320, 80));
    EXPECT_EQ(column.place("y", 3, NotifyMode::countdown, visible), QRect(1108, 232, 320, 152));
    EXPECT_EQ(column.cardsWithId("x"), (Cards{1, 2}));
    EXPECT_TRUE(column.cardsWithId("z").empty());

    // The first "x" ends: only its entry goes, and the column closes up around the other.
    EXPECT_TRUE(column.remove(1));
    EXPECT_FALSE(column.remove(1));
    EXPECT_EQ(column.cardsWithId("x"), Cards{2});
    EXPECT_EQ(column.restack(visible), (Moves{{2, 8, true}, {3, 96, true}}));
    EXPECT_EQ(column.place("z", 4, NotifyMode::info, visible).y(), 256);
    EXPECT_TRUE(column.remove(2));
    EXPECT_TRUE(column.remove(3));
    EXPECT_TRUE(column.remove(4));
    EXPECT_TRUE(column.empty());
    EXPECT_TRUE(column.restack(visible).empty());
    EXPECT_EQ(column.place("x", 5, NotifyMode::alert, visible).y(), 8) << "back at the top";
}

TEST(CardColumnTest, ARestackMovesOnlyTheCardsWhosePlaceChanges) {
    CardColumn column;
    for (CardHandle card = 1; card <= 12; ++card) {
        column.place("c", card, NotifyMode::countdown, visible);  // 160 apart: 6 in view
    }
    column.remove(12);
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
        EXPECT_EQ(column.entries()[i].top, oneByOne.entries()[i].top);
    }
}

}  // namespace
}  // namespace wystrand

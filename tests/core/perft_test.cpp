#include <gtest/gtest.h>

#include "common/testing.h"

// Counting every move sequence from the start catches missing, extra and wrongly promoted moves.
TEST(MoveGeneration, CountsFromTheStartMatchStandardShogi) {
    ZnBan game;
    EXPECT_EQ(perft(game, 1), 30u);
    EXPECT_EQ(perft(game, 2), 900u);
    EXPECT_EQ(perft(game, 3), 25470u);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(game.moveCount(), 0);
}

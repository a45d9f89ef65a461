#include <gtest/gtest.h>

#include <tuple>

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

// The generator takes its destinations from the pieces' reach; asking classifyMove about every
// pair of squares must give the same moves in random positions.
TEST(MoveGeneration, AgreesWithClassifyingEverySquarePair) {
    std::mt19937 random(7);
    ZnBan game;
    for (int ply = 0; ply < 600; ++ply) {
        std::vector<Move> generated;
        generateMoves(game, generated);
        std::vector<Move> brute;
        for (int from = 0; from < SQUARE_COUNT; ++from)
            for (int to = 0; to < SQUARE_COUNT; ++to) {
                const MoveClass moveClass = game.classifyMove(static_cast<Square>(from), static_cast<Square>(to));
                if (moveClass == NoPromotion || moveClass == PromotionOptional)
                    brute.push_back({static_cast<Square>(from), static_cast<Square>(to), false, 0});
                if (moveClass == PromotionOptional || moveClass == PromotionForced)
                    brute.push_back({static_cast<Square>(from), static_cast<Square>(to), true, 0});
            }
        std::vector<Move> boardMoves;
        for (const Move &move : generated)
            if (move.from != IN_HAND) boardMoves.push_back(move);
        auto order = [](const Move &a, const Move &b) {
            return std::tie(a.from, a.to, a.promote) < std::tie(b.from, b.to, b.promote);
        };
        std::sort(boardMoves.begin(), boardMoves.end(), order);
        std::sort(brute.begin(), brute.end(), order);
        ASSERT_EQ(boardMoves, brute) << "ply " << ply;
        if (!playRandomMove(game, random)) game.newGame();
    }
}

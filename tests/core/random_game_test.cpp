#include <gtest/gtest.h>

#include "common/testing.h"

// Thousands of random plies with undos mixed in; after every step the whole game must agree with a
// recomputation from scratch. Catches any move, drop or undo that leaves an attack entry stale.
TEST(RandomGames, EveryStepKeepsTheInvariantsAndUndoRestoresTheStart) {
    std::mt19937 random(20261207);
    int plies = 0, undos = 0, drops = 0, captures = 0;
    for (int gameNumber = 0; gameNumber < 24; ++gameNumber) {
        ZnBan game;
        const std::string start = positionKey(game);
        const auto startCounts = attackCounts(game);
        for (int step = 0; step < 250; ++step) {
            if (game.moveCount() > 0 && random() % 7 == 0) {
                ASSERT_TRUE(game.undoMove());
                ++undos;
            } else {
                if (!playRandomMove(game, random)) break;
                ++plies;
                const MoveHistory &last = game.history().back();
                drops += last.from == IN_HAND;
                captures += last.captured != nullptr;
            }
            const std::string problem = findInconsistency(game);
            ASSERT_EQ(problem, "") << "game " << gameNumber << " step " << step;
            ASSERT_EQ(game.key(), game.computeKey()) << "game " << gameNumber << " step " << step;
        }
        // A save walks the game this way: it must leave the game as it was.
        const std::string end = positionKey(game);
        const auto endCounts = attackCounts(game);
        const std::size_t records = game.history().size();
        game.setReplaying(true);
        while (game.moveCount() > 0) {
            ASSERT_TRUE(game.undoMove());
            ASSERT_EQ(findInconsistency(game), "") << "game " << gameNumber << " replayed back";
        }
        EXPECT_EQ(positionKey(game).substr(0, 81), start.substr(0, 81));
        while (game.redoMove()) ASSERT_EQ(findInconsistency(game), "") << "game " << gameNumber << " replayed";
        game.setReplaying(false);
        EXPECT_EQ(positionKey(game), end);
        EXPECT_EQ(attackCounts(game), endCounts);
        EXPECT_EQ(game.history().size(), records);
        ASSERT_EQ(findInconsistency(game), "");

        while (game.undoMove()) {
        }
        EXPECT_EQ(positionKey(game), start);
        EXPECT_EQ(game.key(), ZnBan().key());
        EXPECT_EQ(attackCounts(game), startCounts);
        EXPECT_TRUE(game.history().empty());
        ASSERT_EQ(findInconsistency(game), "");
    }
    // The walk must really have exercised captures, drops and undos.
    EXPECT_GT(plies, 4000);
    EXPECT_GT(captures, 300);
    EXPECT_GT(drops, 100);
    EXPECT_GT(undos, 500);
}

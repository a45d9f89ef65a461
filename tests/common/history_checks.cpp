#include "common/history_checks.h"

#include <gtest/gtest.h>

#include "common/seeded_games.h"
#include "common/testing.h"
#include "record/position.h"

void expectSameHistoryBackToStart(ZnBan &game, ZnBan &loaded, unsigned seed) {
    while (game.moveCount() > 0) {
        ASSERT_TRUE(game.undoMove());
        ASSERT_TRUE(loaded.undoMove());
        ASSERT_EQ(positionKey(loaded), positionKey(game)) << "at move " << game.moveCount();
    }
    EXPECT_FALSE(loaded.undoMove());
    EXPECT_EQ(positionOf(loaded), seededStart(seed));
}

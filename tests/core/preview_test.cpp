// Trying a move on a copy: the copy is the game's position, and the game itself never changes.

#include "core/preview.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "common/testing.h"
#include "record/record.h"

namespace {

std::string savedBytes(ZnBan &game) {
    std::ostringstream out;
    EXPECT_TRUE(saveRecord(game, out).ok);
    return out.str();
}

// The game after `plies` random moves of a seeded generator.
void playRandomGame(ZnBan &game, unsigned seed, int plies) {
    std::mt19937 random(seed);
    for (int ply = 0; ply < plies && playRandomMove(game, random); ++ply) {
    }
}

TEST(CopyPosition, CopiesPiecesHandsTurnAndAttackMapsButNoHistory) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE(seed);
        ZnBan game;
        playRandomGame(game, seed, 120);
        ZnBan copy;
        copyPosition(game, copy);
        EXPECT_EQ(findInconsistency(copy), "");
        EXPECT_EQ(copy.moveCount(), 0);
        EXPECT_TRUE(copy.history().empty());
        EXPECT_EQ(copy.turn(), game.turn());
        for (int square = 0; square < SQUARE_COUNT; ++square) {
            const Koma *original = game.pieceAt(static_cast<Square>(square));
            const Koma *twin = copy.pieceAt(static_cast<Square>(square));
            ASSERT_EQ(original == nullptr, twin == nullptr) << square;
            if (original == nullptr) continue;
            EXPECT_NE(original, twin);
            EXPECT_EQ(twin->code(), original->code());
            EXPECT_EQ(twin->side(), original->side());
        }
        for (Side side : {SENTE, GOTE}) {
            ASSERT_EQ(copy.hand(side).size(), game.hand(side).size());
            for (int i = 0; i < game.hand(side).size(); ++i)
                EXPECT_EQ(copy.hand(side)[i]->kind(), game.hand(side)[i]->kind()) << i;
            for (int square = 0; square < SQUARE_COUNT; ++square)
                EXPECT_EQ(copy.attackMap(side)[square], game.attackMap(side)[square]) << square;
        }
    }
}

// Every legal move and drop of several positions tried and taken back: the copy shows the position
// the same move leads to, and the game is untouched, down to its saved bytes.
TEST(MovePreview, ShowsTheMovesPositionAndLeavesTheGameAlone) {
    for (unsigned seed : {11u, 12u, 13u}) {
        SCOPED_TRACE(seed);
        ZnBan game;
        playRandomGame(game, seed, 60 + seed);
        const std::string key = positionKey(game);
        const std::string bytes = savedBytes(game);
        const auto counts = attackCounts(game);
        MovePreview preview;
        std::vector<Move> moves;
        generateMoves(game, moves);
        ASSERT_FALSE(moves.empty());
        for (const Move &move : moves) {
            if (move.from == IN_HAND) {
                ASSERT_TRUE(preview.tryDrop(game, move.dropKind, move.to));
            } else {
                const bool forced = game.classifyMove(move.from, move.to) == PromotionForced;
                if (move.promote != forced) continue;  // the preview promotes only when it must
                ASSERT_TRUE(preview.tryMove(game, move.from, move.to));
            }
            EXPECT_TRUE(preview.active());
            EXPECT_EQ(findInconsistency(preview.position()), "");
            // The same move made on a second copy gives the reference position.
            ZnBan reference;
            copyPosition(game, reference);
            ASSERT_TRUE(applyMove(reference, move));
            EXPECT_EQ(positionKey(preview.position()), positionKey(reference));
            EXPECT_EQ(attackCounts(preview.position()), attackCounts(reference));
            EXPECT_TRUE(preview.takeBack());
            EXPECT_FALSE(preview.active());
        }
        EXPECT_EQ(positionKey(game), key);
        EXPECT_EQ(attackCounts(game), counts);
        EXPECT_EQ(savedBytes(game), bytes);
        EXPECT_EQ(findInconsistency(game), "");
    }
}

TEST(MovePreview, RefusesIllegalMovesAndDrops) {
    ZnBan game;
    MovePreview preview;
    EXPECT_FALSE(preview.tryMove(game, 60, 42));    // a pawn two squares forward
    EXPECT_FALSE(preview.tryMove(game, 20, 29));    // gote's pawn while sente is to move
    EXPECT_FALSE(preview.tryMove(game, 40, 31));    // empty origin
    EXPECT_FALSE(preview.tryDrop(game, PAWN, 40));  // nothing in hand
    EXPECT_FALSE(preview.active());
    setUpPosition(game, {{PAWN, IN_HAND, SENTE}, {PAWN, 58, SENTE}, {KING, 4, GOTE}});
    EXPECT_FALSE(preview.tryDrop(game, PAWN, 31));  // a second pawn in the column
    EXPECT_FALSE(preview.tryDrop(game, PAWN, 2));   // no move from the last rank
    EXPECT_FALSE(preview.tryDrop(game, GOLD, 40));  // no gold in hand
    EXPECT_TRUE(preview.tryDrop(game, PAWN, 39));
    EXPECT_EQ(preview.position().pieceAt(39)->kind(), PAWN);
    EXPECT_TRUE(game.pieceAt(39) == nullptr);
    EXPECT_EQ(game.hand(SENTE).size(), 1);
}

TEST(MovePreview, PromotesOnlyWhereTheRulesForceIt) {
    ZnBan game;
    setUpPosition(game, {{PAWN, 13, SENTE}, {SILVER, 31, SENTE}, {KING, 80, GOTE}});
    MovePreview preview;
    ASSERT_TRUE(preview.tryMove(game, 13, 4));
    EXPECT_TRUE(preview.position().pieceAt(4)->promoted());
    ASSERT_TRUE(preview.tryMove(game, 31, 22));
    EXPECT_FALSE(preview.position().pieceAt(22)->promoted());
    EXPECT_FALSE(game.pieceAt(31)->promoted());
}

}  // namespace

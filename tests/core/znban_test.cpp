#include <gtest/gtest.h>

#include "common/testing.h"
#include "support/glyphs.h"

TEST(ZnBan, NewGameSetsUpTheStartingPosition) {
    ZnBan game;
    EXPECT_EQ(game.moveCount(), 0);
    EXPECT_EQ(game.turn(), SENTE);
    EXPECT_TRUE(game.hand(SENTE).empty() && game.hand(GOTE).empty());
    EXPECT_EQ(game.piecesOnBoard(SENTE).size(), 20u);
    EXPECT_EQ(game.piecesOnBoard(GOTE).size(), 20u);
    ASSERT_NE(game.king(SENTE), nullptr);
    EXPECT_EQ(game.king(SENTE)->square(), 76);
    EXPECT_EQ(game.king(GOTE)->square(), 4);
    EXPECT_EQ(game.piecesOnBoard(SENTE)[9]->square(), 64);  // list order is build order
    EXPECT_EQ(findInconsistency(game), "");

    game.play({60, 51, false});
    game.newGame();
    EXPECT_EQ(game.moveCount(), 0);
    EXPECT_TRUE(game.history().empty());
    EXPECT_EQ(game.pieceAt(60)->kind(), PAWN);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(ZnBan, HandSlotsAndSorting) {
    ZnBan game;
    setUpPosition(game, {{PAWN, IN_HAND, SENTE}, {ROOK, IN_HAND, SENTE}, {PAWN, IN_HAND, SENTE},
                         {GOLD, IN_HAND, SENTE}, {KING, 4, GOTE}});
    EXPECT_TRUE(game.handSlotExists(3));
    EXPECT_FALSE(game.handSlotExists(4));
    EXPECT_FALSE(game.handSlotExists(-1));
    game.hand(SENTE).sortByKind();
    std::vector<int> kinds;
    for (const Koma *piece : game.hand(SENTE)) kinds.push_back(piece->kind());
    EXPECT_EQ(kinds, (std::vector<int>{ROOK, GOLD, PAWN, PAWN}));
    game.setTurn(GOTE);
    EXPECT_FALSE(game.handSlotExists(0));  // gote holds nothing
    EXPECT_FALSE(game.isTurnPiece(nullptr));
    EXPECT_TRUE(game.isTurnPiece(game.pieceAt(4)));
}

TEST(ZnBan, PlacePieceRefusesWhatWouldBreakTheBoard) {
    ZnBan game;
    game.clearPieces();
    game.resetBoard();
    EXPECT_TRUE(game.placePiece(makeKoma(GOLD, 40, SENTE)));
    EXPECT_FALSE(game.placePiece(makeKoma(SILVER, 40, GOTE)));  // square taken
    EXPECT_FALSE(game.placePiece(makeKoma(SILVER, 82, GOTE)));  // off the board
    auto promotedInHand = makeKoma(PAWN, IN_HAND, GOTE);
    promotedInHand->promote(true);
    EXPECT_FALSE(game.placePiece(std::move(promotedInHand)));
    EXPECT_FALSE(game.placePiece(nullptr));
    game.addAllAttacks();
    EXPECT_EQ(game.allPieces().size(), 1u);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(ZnBan, SwapExchangesWholeGames) {
    ZnBan a, b;
    a.play({60, 51, false});
    const std::string keyA = positionKey(a), keyB = positionKey(b);
    a.swap(b);
    EXPECT_EQ(positionKey(a), keyB);
    EXPECT_EQ(positionKey(b), keyA);
    EXPECT_TRUE(b.undoMove());
    EXPECT_EQ(findInconsistency(a), "");
    EXPECT_EQ(findInconsistency(b), "");
}

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/testing.h"
#include "support/report.h"

namespace {

// Runs `change` and checks that the game is exactly as before.
template <typename F>
void expectRefused(ZnBan &game, F change) {
    const std::string before = positionKey(game);
    const auto counts = attackCounts(game);
    const std::size_t records = game.history().size();
    EXPECT_FALSE(change());
    EXPECT_EQ(positionKey(game), before);
    EXPECT_EQ(attackCounts(game), counts);
    EXPECT_EQ(game.history().size(), records);
}

}  // namespace

// The attack map upkeep is private to the game; these tests call it with bad input directly.
struct ZnBanInternals {
    static void refreshLinesThrough(ZnBan &game, Square square) { game.refreshLinesThrough(square); }
    static void addAttacks(ZnBan &game, Koma *piece) { game.addAttacks(piece); }
};

TEST(MakeMove, RefusedMovesChangeNothing) {
    ZnBan game;
    expectRefused(game, [&] { return game.play({40, 31, false}); });  // empty origin
    expectRefused(game, [&] { return game.play({20, 29, false}); });  // gote's pawn, sente to move
    expectRefused(game, [&] { return game.play({60, 51, true}); });   // NoPromotion asked to promote
    expectRefused(game, [&] { return game.play({IN_HAND, 40, false, PAWN}); });  // empty hand
    setUpPosition(game, {{PAWN, 13, SENTE}, {PAWN, IN_HAND, SENTE}, {PAWN, 58, SENTE}});
    expectRefused(game, [&] { return game.play({13, 4, false}); });              // must promote
    expectRefused(game, [&] { return game.play({IN_HAND, 40, false, GOLD}); });  // a kind not held
    expectRefused(game, [&] { return game.play({IN_HAND, 31, false, PAWN}); });  // second pawn in column 4
    expectRefused(game, [&] { return game.play({IN_HAND, 58, false, PAWN}); });  // occupied
    EXPECT_TRUE(game.play({13, 4, true}));
    EXPECT_TRUE(game.pieceAt(4)->promoted());
}

TEST(MakeMove, CapturesGoUnpromotedToTheEndOfTheHand) {
    ZnBan game;
    setUpPosition(game, {{ROOK, 40, SENTE}, {9, 31, GOTE}, {KING, 4, GOTE}, {PAWN, IN_HAND, SENTE}}, SENTE);
    ASSERT_TRUE(game.play({40, 31, false}));
    const MoveHistory &record = game.history().back();
    EXPECT_EQ(record.capturedWasPromoted, 1);
    ASSERT_EQ(game.hand(SENTE).size(), 2);
    const Koma *dragon = game.hand(SENTE)[1];
    EXPECT_EQ(dragon->kind(), ROOK);
    EXPECT_FALSE(dragon->promoted());
    EXPECT_EQ(dragon->side(), SENTE);
    EXPECT_EQ(dragon->square(), IN_HAND);
    EXPECT_TRUE(dragon->attacks().empty());
    EXPECT_EQ(game.piecesOnBoard(GOTE).size(), 1u);
    // The king can be taken like anything else and play goes on.
    ASSERT_TRUE(game.play({4, 3, false}));
    ASSERT_TRUE(game.play({31, 4, true}));
    ASSERT_TRUE(game.play({3, 4, false}));
    EXPECT_EQ(game.hand(GOTE)[0]->kind(), ROOK);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(DropPiece, DropsByKindAndLeavesTheStandSorted) {
    ZnBan game;
    setUpPosition(game,
                  {{PAWN, IN_HAND, SENTE}, {GOLD, IN_HAND, SENTE}, {ROOK, IN_HAND, SENTE}, {KING, 4, GOTE}});
    expectRefused(game, [&] { return game.play({IN_HAND, 40, true, GOLD}); });  // a drop never promotes
    ASSERT_TRUE(game.play({IN_HAND, 40, false, GOLD}));
    EXPECT_EQ(game.pieceAt(40)->kind(), GOLD);
    ASSERT_EQ(game.hand(SENTE).size(), 2);
    EXPECT_EQ(game.hand(SENTE)[0]->kind(), ROOK);
    EXPECT_EQ(game.hand(SENTE)[1]->kind(), PAWN);
    EXPECT_EQ(game.history().back().from, IN_HAND);
    EXPECT_EQ(game.turn(), GOTE);
    EXPECT_EQ(game.moveCount(), 1);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(DropPiece, PawnColumnRuleIgnoresPromotedPawns) {
    ZnBan game;
    setUpPosition(game, {{15, 58, SENTE}, {PAWN, IN_HAND, SENTE}});
    EXPECT_TRUE(game.play({IN_HAND, 40, false, PAWN}));
}

TEST(AttackMaps, OpeningAndClosingLinesFollowTheMove) {
    ZnBan game;
    // Moving the pawn in front of the rook opens the rook's file up to the pawn's new square.
    ASSERT_TRUE(game.play({55, 46, false}));
    const Koma *rook = game.pieceAt(64);
    EXPECT_TRUE(rook->attacks().contains(55));
    EXPECT_TRUE(rook->attacks().contains(46));
    EXPECT_FALSE(rook->attacks().contains(37));
    EXPECT_EQ(findInconsistency(game), "");
    // A piece dropped onto an open line closes it.
    setUpPosition(game, {{ROOK, 76, SENTE}, {GOLD, IN_HAND, GOTE}, {KING, 0, GOTE}}, GOTE);
    EXPECT_EQ(game.attackCount(SENTE, 4), 1);
    ASSERT_TRUE(game.play({IN_HAND, 40, false, GOLD}));
    EXPECT_EQ(game.attackCount(SENTE, 40), 1);
    EXPECT_EQ(game.attackCount(SENTE, 31), 0);
    EXPECT_EQ(game.attackCount(SENTE, 4), 0);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(AttackMaps, StartingPositionRowsAndDefendedSquares) {
    ZnBan game;
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(game.attackCount(SENTE, static_cast<Square>(45 + column)), 1);
        EXPECT_EQ(game.attackCount(GOTE, static_cast<Square>(45 + column)), 0);
        EXPECT_EQ(game.attackCount(GOTE, static_cast<Square>(27 + column)), 1);
        EXPECT_EQ(game.attackCount(SENTE, static_cast<Square>(27 + column)), 0);
        EXPECT_EQ(game.attackCount(SENTE, static_cast<Square>(36 + column)), 0);
        EXPECT_EQ(game.attackCount(GOTE, static_cast<Square>(36 + column)), 0);
    }
    // Own pieces count: the bishop on 70 is defended by the silver on 78 and the rook along row 7.
    EXPECT_EQ(game.attackCount(SENTE, 70), 2);
    const auto defenders = game.attackers(SENTE, 70);
    ASSERT_EQ(defenders.size(), 2u);
    EXPECT_EQ(defenders[0]->kind() + defenders[1]->kind(), SILVER + ROOK);
    const std::string key = positionKey(game);
    ZnBanInternals::refreshLinesThrough(game, IN_HAND);
    ZnBanInternals::addAttacks(game, nullptr);
    EXPECT_EQ(positionKey(game), key);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(AttackMaps, CapturedPieceLeavesEveryList) {
    ZnBan game;
    setUpPosition(game, {{ROOK, 76, SENTE}, {GOLD, 40, GOTE}, {SILVER, 41, GOTE}});
    ASSERT_GT(game.attackCount(GOTE, 31), 0);
    ASSERT_TRUE(game.play({76, 40, false}));
    for (int square = 0; square < SQUARE_COUNT; ++square)
        for (const Koma *piece : game.attackers(GOTE, static_cast<Square>(square)))
            EXPECT_NE(piece->kind(), GOLD);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(UndoMove, RestoresCapturesPromotionsAndDrops) {
    ZnBan game;
    setUpPosition(game, {{SILVER, 31, SENTE}, {9, 22, GOTE}, {PAWN, IN_HAND, GOTE}, {KING, 76, SENTE}});
    const std::string start = positionKey(game);
    const auto startCounts = attackCounts(game);
    ASSERT_TRUE(game.play({31, 22, true}));  // a promoting capture of a dragon
    ASSERT_TRUE(game.play({IN_HAND, 58, false, PAWN}));
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(game.hand(GOTE).size(), 1);
    EXPECT_EQ(game.pieceAt(58), nullptr);
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(positionKey(game), start);
    EXPECT_EQ(attackCounts(game), startCounts);
    EXPECT_FALSE(game.pieceAt(31)->promoted());
    EXPECT_TRUE(game.pieceAt(22)->promoted());
    EXPECT_EQ(game.pieceAt(22)->side(), GOTE);
    EXPECT_TRUE(game.hand(SENTE).empty());
    EXPECT_FALSE(game.undoMove());
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(UndoMove, AlreadyPromotedPieceStaysPromoted) {
    ZnBan game;
    setUpPosition(game, {{12, 40, SENTE}});
    ASSERT_TRUE(game.play({40, 31, false}));
    ASSERT_TRUE(game.undoMove());
    EXPECT_TRUE(game.pieceAt(40)->promoted());
}

TEST(Replay, WalksTheHistoryWithoutRecordingAndRestoresTheGame) {
    ZnBan game;
    ASSERT_TRUE(game.play({60, 51, false}));
    ASSERT_TRUE(game.play({20, 29, false}));
    ASSERT_TRUE(game.play({70, 10, true}));  // bishop takes bishop, promoting
    const std::string end = positionKey(game);
    EXPECT_FALSE(game.redoMove());  // only in replay mode
    game.setReplaying(true);
    while (game.moveCount() > 0) ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(game.history().size(), 3u);
    EXPECT_EQ(game.pieceAt(70)->kind(), BISHOP);
    while (game.moveCount() < 3) ASSERT_TRUE(game.redoMove());
    EXPECT_FALSE(game.redoMove());
    EXPECT_TRUE(game.pieceAt(10)->promoted());
    game.setReplaying(false);
    EXPECT_EQ(positionKey(game), end);
    EXPECT_EQ(game.history().size(), 3u);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_TRUE(game.undoMove());
    EXPECT_EQ(game.history().size(), 2u);
}

TEST(TruncateHistory, DropsOnlyTheRecordsAfterTheMovesApplied) {
    ZnBan game;
    ASSERT_TRUE(game.play({60, 51, false}));
    ASSERT_TRUE(game.play({20, 29, false}));
    ASSERT_TRUE(game.play({70, 10, true}));
    EXPECT_EQ(game.truncateHistory(), 0u);  // at the end of the line there is nothing after it
    EXPECT_EQ(game.history().size(), 3u);

    game.setReplaying(true);
    ASSERT_TRUE(game.undoMove());
    ASSERT_TRUE(game.undoMove());
    const std::string position = positionKey(game);
    const auto counts = attackCounts(game);
    EXPECT_EQ(game.truncateHistory(), 2u);
    EXPECT_EQ(game.history().size(), 1u);
    EXPECT_EQ(game.history()[0].to, 51);
    EXPECT_EQ(positionKey(game), position);
    EXPECT_EQ(attackCounts(game), counts);
    EXPECT_FALSE(game.redoMove());  // the dropped moves are gone

    // Back in normal play the kept line goes on as if the dropped moves had never been made.
    game.setReplaying(false);
    ASSERT_TRUE(game.play({26, 35, false}));
    EXPECT_EQ(game.history().size(), 2u);
    ASSERT_TRUE(game.undoMove());
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(positionKey(game), positionKey(ZnBan()));
    EXPECT_EQ(findInconsistency(game), "");
}

namespace {

std::vector<std::string> badSquareReports;
void recordBadSquare(const char *title, const char *text) {
    badSquareReports.push_back(std::string(title) + "|" + text);
}

}  // namespace

// A square off the board is a caller's fault: every entry point reports it to the developer like
// the checked board access does, once, and refuses it.
TEST(BadSquares, AreReportedOnceAndRefused) {
    setReportHook(recordBadSquare);
    ZnBan game;
    setUpPosition(game, {{ROOK, 40, SENTE}, {PAWN, IN_HAND, SENTE}, {KING, 4, GOTE}});
    Koma *rook = game.pieceAt(40);
    const struct {
        const char *what;
        std::function<bool()> call;
        const char *report;
    } rows[] = {
        {"a drop to the hand square",
         [&] {
             return game.play({IN_HAND, IN_HAND, false, PAWN});
         },
         "Out of index (81/81)"},
        {"makeMove from far off",
         [&] {
             return game.play({200, 31, false});
         },
         "Out of index (200/81)"},
        {"makeMove to the hand square",
         [&] {
             return game.play({40, IN_HAND, false});
         },
         "Out of index (81/81)"},
        {"makeMove to far off",
         [&] {
             return game.play({40, 255, false});
         },
         "Out of index (255/81)"},
        {"a move of a piece off the board",
         [&] {
             return game.play({rook->square(), 90, false});
         },
         "Out of index (90/81)"},
        {"classifyMove from off the board", [&] { return game.classifyMove(81, 31) != Illegal; },
         "Out of index (81/81)"},
        {"classifyMove to off the board", [&] { return game.classifyMove(40, 82) != Illegal; },
         "Out of index (82/81)"},
        {"classifyMove of a piece to off the board", [&] { return game.classifyMove(rook, 81) != Illegal; },
         "Out of index (81/81)"},
        {"a drop off the board",
         [&] {
             return game.play({IN_HAND, 81, false, PAWN});
         },
         "Out of index (81/81)"},
        {"a drop far off the board",
         [&] {
             return game.play({IN_HAND, 100, false, PAWN});
         },
         "Out of index (100/81)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        badSquareReports.clear();
        expectRefused(game, row.call);
        EXPECT_EQ(badSquareReports, std::vector<std::string>{std::string(row.report) + "|Debug Message"});
    }
    // Squares on the board give no report.
    badSquareReports.clear();
    EXPECT_EQ(game.classifyMove(40, 49), NoPromotion);
    EXPECT_TRUE(game.play({40, 31, false}));
    EXPECT_TRUE(badSquareReports.empty());
    setReportHook(nullptr);
}

// The static exchange evaluation on positions where the order and the number of captures matter.

#include "core/exchange.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/testing.h"

namespace {

// A square in the usual notation: file 1..9 from the right, rank 1..9 from the top.

constexpr PieceCode promoted(PieceKind kind) { return static_cast<PieceCode>(kind + PROMOTED_OFFSET); }

struct ExchangeCase {
    const char *name;
    std::vector<Placement> pieces;
    Square target;
    int expected;
};

void PrintTo(const ExchangeCase &c, std::ostream *out) { *out << c.name; }

class StaticExchange : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(StaticExchange, WinsWhatTheBestStoppingPointGives) {
    const ExchangeCase &c = GetParam();
    ZnBan game;
    setUpPosition(game, c.pieces);
    ASSERT_EQ(findInconsistency(game), "");
    EXPECT_EQ(staticExchange(game, c.target), c.expected);
    EXPECT_EQ(losesExchange(game, c.target), c.expected > 0);
}

const ExchangeCase kCases[] = {
    {"UndefendedGoldAttackedByAPawn", {{GOLD, sq(5, 5), GOTE}, {PAWN, sq(5, 6), SENTE}}, sq(5, 5), 6},
    {"PawnDefendedByAGoldAgainstAPawn",
     {{PAWN, sq(5, 5), GOTE}, {GOLD, sq(5, 4), GOTE}, {PAWN, sq(5, 6), SENTE}},
     sq(5, 5),
     0},
    {"DefendedRookStillLosesToAPawn",
     {{ROOK, sq(5, 5), GOTE}, {GOLD, sq(5, 4), GOTE}, {PAWN, sq(5, 6), SENTE}},
     sq(5, 5),
     9},
    {"DefendedGoldIsSafeFromARook",
     {{GOLD, sq(5, 5), GOTE}, {PAWN, sq(5, 4), GOTE}, {ROOK, sq(5, 9), SENTE}},
     sq(5, 5),
     -4},
    {"UndefendedGoldLosesToADistantRook", {{GOLD, sq(5, 5), GOTE}, {ROOK, sq(5, 9), SENTE}}, sq(5, 5), 6},
    {"SentePieceAttackedByGote", {{SILVER, sq(3, 7), SENTE}, {BISHOP, sq(7, 3), GOTE}}, sq(3, 7), 5},
    // The lance behind the rook joins once the rook has gone, and makes the first capture pay.
    {"LanceBehindTheRookJoinsIn",
     {{GOLD, sq(5, 5), GOTE}, {SILVER, sq(4, 4), GOTE}, {ROOK, sq(5, 6), SENTE}, {LANCE, sq(5, 8), SENTE}},
     sq(5, 5),
     1},
    {"WithoutTheLanceTheRookStopsBeforeStarting",
     {{GOLD, sq(5, 5), GOTE}, {SILVER, sq(4, 4), GOTE}, {ROOK, sq(5, 6), SENTE}},
     sq(5, 5),
     -4},
    // A lance behind a piece of the other side never joins: it is blocked for good.
    {"LanceBehindAnEnemyPieceStaysOut",
     {{GOLD, sq(5, 5), GOTE},
      {SILVER, sq(4, 4), GOTE},
      {ROOK, sq(5, 6), SENTE},
      {PAWN, sq(5, 7), GOTE},
      {LANCE, sq(5, 8), SENTE}},
     sq(5, 5),
     -4},
    // The defender's lance behind its rook recaptures last.
    {"DefendingLanceBehindARook",
     {{SILVER, sq(5, 5), GOTE},
      {ROOK, sq(5, 4), GOTE},
      {LANCE, sq(5, 2), GOTE},
      {KNIGHT, sq(4, 7), SENTE},
      {BISHOP, sq(4, 6), SENTE}},
     sq(5, 5),
     3},
    // The defender's rook behind its pawn recaptures last.
    {"DefendingRookBehindAPawn",
     {{GOLD, sq(5, 5), GOTE},
      {PAWN, sq(5, 4), GOTE},
      {ROOK, sq(5, 2), GOTE},
      {PAWN, sq(5, 6), SENTE},
      {SILVER, sq(4, 6), SENTE}},
     sq(5, 5),
     5},
    {"KingRecapturesWhenNothingCanTakeIt",
     {{GOLD, sq(5, 5), GOTE}, {KING, sq(5, 4), GOTE}, {PAWN, sq(5, 6), SENTE}},
     sq(5, 5),
     5},
    // With the pawn's square defended, the king would be lost by recapturing, so it does not.
    {"KingAsLastDefenderStaysOut",
     {{GOLD, sq(5, 5), GOTE}, {KING, sq(5, 4), GOTE}, {PAWN, sq(5, 6), SENTE}, {SILVER, sq(4, 6), SENTE}},
     sq(5, 5),
     6},
    {"KingTakesAnUndefendedPawn", {{PAWN, sq(5, 5), GOTE}, {KING, sq(5, 6), SENTE}}, sq(5, 5), 1},
    {"KingWillNotTakeADefendedPawn",
     {{PAWN, sq(5, 5), GOTE}, {GOLD, sq(5, 4), GOTE}, {KING, sq(5, 6), SENTE}},
     sq(5, 5),
     -999},
    {"TokinCountsAsAGold", {{promoted(PAWN), sq(2, 3), GOTE}, {PAWN, sq(2, 4), SENTE}}, sq(2, 3), 6},
    {"DragonDefendedByAHorseStillLosesToAPawn",
     {{promoted(ROOK), sq(2, 3), GOTE}, {promoted(BISHOP), sq(3, 2), GOTE}, {PAWN, sq(2, 4), SENTE}},
     sq(2, 3),
     9},
    {"UnattackedPiece", {{ROOK, sq(5, 5), GOTE}, {PAWN, sq(5, 7), SENTE}}, sq(5, 5), 0},
    {"EmptySquare", {{PAWN, sq(5, 6), SENTE}}, sq(5, 5), 0},
};

INSTANTIATE_TEST_SUITE_P(Positions, StaticExchange, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ExchangeCase> &row) { return row.param.name; });

// The program has no check: a king in reach is simply the most valuable piece to take, even defended.
TEST(StaticExchange, KingInReachOfAnEnemyPieceIsLost) {
    ZnBan game;
    setUpPosition(game, {{KING, sq(5, 1), GOTE}, {GOLD, sq(4, 1), GOTE}, {SILVER, sq(5, 2), SENTE}});
    EXPECT_EQ(staticExchange(game, sq(5, 1)), exchangeValue(KING) - exchangeValue(SILVER));
    EXPECT_TRUE(losesExchange(game, sq(5, 1)));
}

TEST(StaticExchange, NoPieceOfTheStartingPositionLoses) {
    ZnBan game;
    for (int square = 0; square < SQUARE_COUNT; ++square)
        EXPECT_FALSE(losesExchange(game, static_cast<Square>(square))) << square;
}

TEST(ExchangeValue, RanksThePiecesAndValuesPromotedOnesAsTheirMovers) {
    const std::vector<PieceCode> ascending = {PAWN, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK, KING};
    for (std::size_t i = 1; i < ascending.size(); ++i)
        EXPECT_LT(exchangeValue(ascending[i - 1]), exchangeValue(ascending[i])) << i;
    for (PieceKind kind : {PAWN, LANCE, KNIGHT, SILVER})
        EXPECT_EQ(exchangeValue(promoted(kind)), exchangeValue(GOLD)) << int(kind);
    EXPECT_EQ(exchangeValue(promoted(BISHOP)), exchangeValue(BISHOP));
    EXPECT_EQ(exchangeValue(promoted(ROOK)), exchangeValue(ROOK));
    int everythingElse = 0;
    for (PieceCode code = ROOK; code <= PAWN; ++code) everythingElse += 2 * exchangeValue(code);
    EXPECT_GT(exchangeValue(KING), everythingElse + 18 * exchangeValue(GOLD));
}

}  // namespace

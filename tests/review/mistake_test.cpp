// Labels by the winning chance lost, and reason sentences on small hand-made positions.

#include "review/mistake.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/testing.h"

namespace {

Move step(int fromFile, int fromRank, int toFile, int toRank) {
    return {sq(fromFile, fromRank), sq(toFile, toRank), false, PAWN};
}
Move drop(PieceKind kind, int file, int rank) { return {IN_HAND, sq(file, rank), false, kind}; }

TEST(MoveLabels, LabelsStartExactlyAtTheirThresholds) {
    using enum MoveLabel;
    const std::pair<double, MoveLabel> rows[] = {{0.0999, None},  {0.10, Dubious}, {0.1999, Dubious},
                                                 {0.20, Mistake}, {0.30, Blunder}, {-0.5, None}};
    for (const auto &[loss, label] : rows) EXPECT_EQ(labelFor(loss), label) << loss;
    EXPECT_EQ(labelFor(0.25, {0.05, 0.15, 0.25}), Blunder);
}

// A decided game is labelled only when the move hands it over: a short search's swings there would
// label moves that change nothing.
TEST(MoveLabels, ADecidedGameIsLabelledOnlyWhenItSwingsToTheOtherSide) {
    using enum MoveLabel;
    const std::tuple<double, double, MoveLabel> rows[] = {{0.97, 0.80, None},    {0.97, 0.40, Blunder},
                                                          {0.04, 0.00, None},    {0.20, 0.04, Dubious},
                                                          {0.60, 0.45, Dubious}, {0.951, 0.5, None}};
    for (const auto &[before, after, label] : rows) EXPECT_EQ(labelForMove(before, after), label) << before;
}

TEST(MoveLabels, ChanceLostCountsFromTheMoversSideAndMatesCountWhole) {
    const double e = 1.0 / (1.0 + std::exp(-1.0)) - 0.5;  // the chance 600 points are worth beyond even
    const Evaluation even = Evaluation::score(0), up = Evaluation::score(600), down = Evaluation::score(-600);
    const std::tuple<Evaluation, Evaluation, Side, double, double> rows[] = {
        {even, down, SENTE, 600, e},
        {even, up, GOTE, 600, e},
        {even, Evaluation::score(-300), SENTE, 300, e},
        {Evaluation::mateFor(GOTE, 5), even, GOTE, 600, 0.5},
        {up, Evaluation::mateFor(GOTE, 9), SENTE, 600, 0.5 + e}};
    for (const auto &[before, after, mover, coefficient, lost] : rows)
        EXPECT_NEAR(chanceLost(before, after, mover, coefficient), lost, 1e-9)
            << before.centipawns << " " << +mover;
}

struct ReasonCase {
    const char *name;
    std::vector<Placement> pieces;
    Move played, best;
    std::string reason;
    SideSafety sente;  // before the move
};

const ReasonCase kReasons[] = {
    {"PieceLeftHanging",
     {{KING, sq(5, 9), SENTE}, {SILVER, sq(4, 6), SENTE}, {PAWN, sq(4, 4), GOTE}, {KING, sq(5, 1), GOTE}},
     step(4, 6, 4, 5),
     step(4, 6, 5, 7),
     "４五の銀が取られます（最善は▲５七銀）",
     {0, 0}},
    {"TokinNamedAsPlayersSayIt",
     {{KING, sq(5, 9), SENTE}, {PAWN + 8, sq(4, 6), SENTE}, {PAWN, sq(4, 4), GOTE}, {KING, sq(5, 1), GOTE}},
     step(4, 6, 4, 5),
     step(4, 6, 4, 7),
     "４五のと金が取られます（最善は▲４七と）",
     {0, 0}},
    // The gold leaving the file lets the rook reach two squares beside the king.
    {"KingZoneOpened",
     {{KING, sq(5, 9), SENTE},
      {GOLD, sq(4, 7), SENTE},
      {SILVER, sq(5, 8), SENTE},
      {PAWN, sq(9, 7), SENTE},
      {ROOK, sq(4, 1), GOTE}},
     step(4, 7, 3, 6),
     step(9, 7, 9, 6),
     "玉の周りに相手の利きが2つ増えます（最善は▲９六歩）",
     {0, 0}},
    {"PieceNotSaved",
     {{KING, sq(5, 9), SENTE}, {SILVER, sq(5, 5), SENTE}, {PAWN, sq(9, 7), SENTE}, {PAWN, sq(5, 4), GOTE}},
     step(9, 7, 9, 6),
     step(5, 5, 4, 6),
     "最善の▲４六銀なら５五の銀を守れました",
     {0, 1}},
    // Silver and lance both reach ４八, which only the king guards until a gold comes.
    {"SquareLeftUndefended",
     {{KING, sq(5, 9), SENTE},
      {PAWN, sq(9, 7), SENTE},
      {GOLD, IN_HAND, SENTE},
      {SILVER, sq(3, 7), GOTE},
      {LANCE, sq(4, 1), GOTE}},
     step(9, 7, 9, 6),
     drop(GOLD, 5, 8),
     "最善の▲５八金打なら４八を守れました",
     {3, 0}},
    {"IllegalMoveGivesNoReason", {{KING, sq(5, 9), SENTE}}, step(9, 7, 9, 6), step(5, 9, 5, 8), "", {0, 0}},
};

// Sente plays ▲９六歩 where ▲１六歩 was best, beside the king on ５九: the attack maps see no
// difference between the two, so the reason comes from the refutation, read up to where it is legal.
struct RefutationCase {
    const char *name;
    std::vector<Placement> pieces;  // besides the king and the two pawns
    Refutation refutation;
    std::string reason;
};

TEST(MistakeReason, ReadsTheRefutationWhenTheAttackMapsNameNothing) {
    const RefutationCase refutations[] = {
        {"TakesAPiece",
         {{SILVER, sq(5, 5), SENTE}, {PAWN, sq(5, 4), GOTE}},
         Refutation{{step(5, 4, 5, 5)}, false},
         "△５五歩で銀を取られます（最善は▲１六歩）"},
        // A pawn taken and taken back is a trade, not a refutation.
        {"EvenTrade",
         {{PAWN, sq(5, 5), SENTE}, {GOLD, sq(5, 6), SENTE}, {PAWN, sq(5, 4), GOTE}},
         Refutation{{step(5, 4, 5, 5), step(5, 6, 5, 5)}, false},
         "最善は▲１六歩でした"},
        {"Mates",
         {{GOLD, IN_HAND, GOTE}},
         Refutation{{drop(GOLD, 5, 8)}, true},
         "△５八金打から詰みます（最善は▲１六歩）"},
        // The knight attacks a gold and a silver, both worth more than itself.
        {"Forks",
         {{GOLD, sq(4, 7), SENTE}, {SILVER, sq(6, 7), SENTE}, {KNIGHT, IN_HAND, GOTE}},
         Refutation{{drop(KNIGHT, 5, 5)}, false},
         "△５五桂打で金と銀の両取りをかけられます（最善は▲１六歩）"},
        {"Promotes",
         {{ROOK, sq(2, 4), GOTE}},
         Refutation{{{sq(2, 4), sq(2, 8), true, PAWN}}, false},
         "△２八飛成で龍を作られます（最善は▲１六歩）"},
        // The rook cannot jump the pawn.
        {"IllegalFallsBack",
         {{PAWN, sq(2, 6), SENTE}, {ROOK, sq(2, 4), GOTE}},
         Refutation{{{sq(2, 4), sq(2, 8), true, PAWN}}, false},
         "最善は▲１六歩でした"},
    };
    for (const RefutationCase &c : refutations) {
        std::vector<Placement> pieces = {
            {KING, sq(5, 9), SENTE}, {PAWN, sq(9, 7), SENTE}, {PAWN, sq(1, 7), SENTE}};
        pieces.insert(pieces.end(), c.pieces.begin(), c.pieces.end());
        ZnBan game;
        setUpPosition(game, pieces, SENTE);
        EXPECT_EQ(mistakeReason(game, step(9, 7, 9, 6), step(1, 7, 1, 6), c.refutation), c.reason) << c.name;
    }
}

TEST(MistakeReason, NamesWhatTheBestMoveWouldHaveKept) {
    for (const ReasonCase &c : kReasons) {
        ZnBan game;
        setUpPosition(game, c.pieces, SENTE);
        EXPECT_EQ(mistakeReason(game, c.played, c.best), c.reason) << c.name;
        EXPECT_EQ(sideSafety(game, SENTE), c.sente) << c.name;
        EXPECT_EQ(game.moveCount(), 0);
    }
}

}  // namespace

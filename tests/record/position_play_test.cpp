// Positions built from descriptions, moves played from their record form, and the walk over the
// history that every writer relies on.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "common/testing.h"
#include "core/verify.h"
#include "record/formats.h"
#include "record/jkf.h"
#include "record/play.h"
#include "record/position.h"

namespace {

int pieceCount(const PositionSpec &position) {
    int count = 0;
    for (std::int8_t code : position.code) count += code != PositionSpec::EMPTY;
    for (const auto &hand : position.hands)
        for (int held : hand) count += held;
    return count;
}

TEST(PositionSpec, StandardStartBuildsTheNewGame) {
    ZnBan fresh;
    ZnBan built;
    ASSERT_EQ(buildGame(built, standardStart()), "");
    EXPECT_EQ(positionKey(built), positionKey(fresh));
    EXPECT_EQ(positionOf(built), standardStart());
    EXPECT_EQ(handicapNameOf(standardStart()), "平手");
}

TEST(PositionSpec, HandicapsRemoveGotesPiecesAndGoteMovesFirst) {
    // Each handicap, its JKF preset and the squares it empties; left and right are the giver's own.
    for (const std::string text :
         {"香落ち KY 11", "右香落ち KY_R 91", "角落ち KA 22", "飛車落ち HI 82", "飛香落ち HIKY 8211",
          "二枚落ち 2 8222", "三枚落ち 3 822211", "四枚落ち 4 82221191", "五枚落ち 5 8222119181",
          "左五枚落ち 5_L 8222119121", "六枚落ち 6 822211918121", "左七枚落ち 7_L 82221191812131",
          "右七枚落ち 7_R 82221191812171", "八枚落ち 8 8222119181217131",
          "十枚落ち 10 82221191812171316141"}) {
        struct {
            std::string name, preset, empty;
        } row;
        std::istringstream(text) >> row.name >> row.preset >> row.empty;
        PositionSpec start;
        ASSERT_TRUE(handicapStart(row.name, start)) << row.name;
        EXPECT_TRUE(row.preset[0] > '9' || row.empty.size() / 2 == std::stoul(row.preset)) << row.name;
        PositionSpec expected = standardStart();
        for (std::size_t at = 0; at < row.empty.size(); at += 2)
            expected.code[squareAt(row.empty[at + 1] - '1', row.empty[at] - '1')] = PositionSpec::EMPTY;
        expected.turn = GOTE;
        EXPECT_EQ(start, expected) << row.name;
        EXPECT_EQ(pieceCount(start), 40 - static_cast<int>(row.empty.size() / 2)) << row.name;
        EXPECT_EQ(start.turn, GOTE) << row.name;
        EXPECT_EQ(handicapNameOf(start), row.name);
        for (Square square = 0; square < SQUARE_COUNT; ++square) {
            if (rowOf(square) >= 6) {
                EXPECT_EQ(start.code[square], standardStart().code[square]) << row.name;
            }
        }
        ZnBan game;
        EXPECT_EQ(buildGame(game, start), "") << row.name;
        EXPECT_EQ(findInconsistency(game), "") << row.name;
        // JKF names the handicap by its preset: it must start from the same position.
        ZnBan read;
        RecordNotes notes;
        ASSERT_TRUE(
            readJkf(read, notes,
                    R"({"header": {}, "initial": {"preset": ")" + row.preset + R"("}, "moves": [{}]})")
                .ok)
            << row.preset;
        EXPECT_EQ(positionOf(read), expected) << row.preset;
    }
    PositionSpec start;
    EXPECT_FALSE(handicapStart("七枚落ち", start));
    // 香落ち takes the lance on 1一, 右香落ち the one on 9一.
    ASSERT_TRUE(handicapStart("香落ち", start));
    EXPECT_EQ(start.code[squareAt(0, 0)], PositionSpec::EMPTY);
    EXPECT_EQ(start.code[squareAt(0, 8)], LANCE);
}

TEST(PositionSpec, RefusesMorePiecesThanTheSetHolds) {
    PositionSpec position;
    position.put(static_cast<Square>(squareAt(8, 4)), KING, SENTE);
    position.hands[SENTE][PAWN] = 18;
    ZnBan game;
    EXPECT_EQ(buildGame(game, position), "");
    position.hands[GOTE][PAWN] = 1;
    EXPECT_NE(buildGame(game, position), "");
    position.hands[GOTE][PAWN] = 0;
    position.hands[SENTE][ROOK] = 3;
    EXPECT_NE(buildGame(game, position), "");
    position.hands[SENTE][ROOK] = 0;
    // A king taken in play may stand in a hand; a third one may not.
    position.hands[SENTE][KING] = 1;
    EXPECT_EQ(buildGame(game, position), "");
    position.hands[GOTE][KING] = 1;
    EXPECT_NE(buildGame(game, position), "");
    position.hands[SENTE][KING] = 0;
    position.hands[GOTE][KING] = 0;
    position.hands[GOTE][SILVER] = 1000000;
    EXPECT_NE(buildGame(game, position), "");
    position.hands[GOTE][SILVER] = -1;
    EXPECT_NE(buildGame(game, position), "");
}

TEST(PositionSpec, RandomPositionsSurviveARebuild) {
    std::mt19937 random(7);
    for (int game = 0; game < 30; ++game) {
        ZnBan played;
        for (int ply = 0; ply < 120 && playRandomMove(played, random); ++ply) {
        }
        ZnBan rebuilt;
        ASSERT_EQ(buildGame(rebuilt, positionOf(played)), "");
        EXPECT_EQ(positionOf(rebuilt), positionOf(played));
        EXPECT_EQ(findInconsistency(rebuilt), "");
        EXPECT_TRUE(rebuilt.history().empty());
    }
}

TEST(PlayMove, RefusesWhatTheRulesRefuseWithAReason) {
    ZnBan game;
    const std::string before = positionKey(game);
    const Move refused[] = {
        {sq(7, 6), sq(7, 5), false, PAWN},  // nothing on 7六
        {sq(3, 3), sq(3, 4), false, PAWN},  // gote's pawn, sente to move
        {sq(7, 7), sq(7, 5), false, PAWN},  // a pawn steps one square
        {sq(7, 7), sq(7, 6), true, PAWN},   // no promotion outside the zone
        {IN_HAND, sq(5, 5), false, PAWN},   // nothing in hand
        {sq(7, 7), 81, false, PAWN},        // off the board
    };
    for (const Move &move : refused) {
        EXPECT_NE(playMove(game, move), "");
        EXPECT_EQ(positionKey(game), before);
    }
    EXPECT_EQ(playMove(game, {sq(7, 7), sq(7, 6), false, PAWN}), "");
    EXPECT_EQ(playMove(game, {sq(3, 3), sq(3, 4), false, PAWN}), "");
    EXPECT_EQ(playMove(game, {sq(8, 8), sq(2, 2), true, PAWN}), "");
    EXPECT_EQ(playMove(game, {sq(3, 1), sq(2, 2), false, PAWN}), "");
    // Sente now holds a bishop: a drop by kind, and a drop of a kind not held.
    EXPECT_NE(playMove(game, {IN_HAND, sq(5, 5), false, ROOK}), "");
    EXPECT_EQ(playMove(game, {IN_HAND, sq(5, 5), false, BISHOP}), "");
    EXPECT_EQ(game.moveCount(), 5);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST(WalkRecord, VisitsEveryMoveAndLeavesTheGameWhereItStood) {
    std::mt19937 random(11);
    ZnBan game;
    for (int ply = 0; ply < 80 && playRandomMove(game, random); ++ply) {
    }
    const std::string end = positionKey(game);
    for (int standing : {80, 40, 0}) {
        game.setReplaying(true);
        while (game.moveCount() > standing) ASSERT_TRUE(game.undoMove());
        const std::string here = positionKey(game);
        ZnBan replica;
        std::size_t seen = 0;
        ASSERT_TRUE(walkRecord(
            game, [&](const ZnBan &first) { EXPECT_EQ(buildGame(replica, positionOf(first)), ""); },
            [&](const ZnBan &before, std::size_t index) {
                EXPECT_EQ(index, seen++);
                EXPECT_EQ(positionOf(before), positionOf(replica));
                EXPECT_EQ(playMove(replica, moveOf(before.history()[index])), "");
            }));
        EXPECT_EQ(seen, game.history().size());
        EXPECT_EQ(positionKey(replica), end);
        EXPECT_EQ(positionKey(game), here);
        EXPECT_EQ(game.moveCount(), standing);
        EXPECT_TRUE(game.replaying());
        EXPECT_EQ(findInconsistency(game), "");
    }
    while (game.redoMove()) {
    }
    game.setReplaying(false);
    EXPECT_EQ(positionKey(game), end);
}

}  // namespace

// A game built from a handicap start is recognised as that handicap again: the owners left behind on
// the emptied squares must not make the positions differ.
TEST(PositionSpec, AGameBuiltFromAHandicapIsNamedByIt) {
    for (std::string_view name : handicapNames()) {
        PositionSpec start;
        ASSERT_TRUE(handicapStart(name, start));
        ZnBan game;
        ASSERT_EQ(buildGame(game, start), "");
        EXPECT_EQ(handicapNameOf(positionOf(game)), name);
    }
}

namespace {

// A king taken in play goes to the taker's hand and may be dropped again; every format that can
// describe the position must read back what it wrote.
TEST(PositionSpec, AKingInHandSurvivesEveryPositionFormat) {
    PositionSpec position;
    position.put(static_cast<Square>(squareAt(8, 4)), KING, SENTE);
    position.put(static_cast<Square>(squareAt(0, 0)), LANCE, GOTE);
    position.hands[SENTE][KING] = 1;
    position.hands[SENTE][PAWN] = 2;
    position.turn = SENTE;
    for (RecordFormat format :
         {RecordFormat::Sfen, RecordFormat::Usi, RecordFormat::Kif, RecordFormat::Csa}) {
        SCOPED_TRACE(static_cast<int>(format));
        ZnBan game;
        ASSERT_EQ(buildGame(game, position), "");
        ASSERT_EQ(playMove(game, {IN_HAND, static_cast<Square>(squareAt(4, 4)), false, KING}), "");
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(game, RecordNotes{}, format, bytes).ok);
        ZnBan read;
        RecordNotes notes;
        const RecordResult result = readRecordBytes(read, notes, bytes, {}, format);
        ASSERT_TRUE(result.ok) << result.reason << "\n" << bytes;
        EXPECT_EQ(positionOf(read), positionOf(game));
    }
}

}  // namespace

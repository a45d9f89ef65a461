// Japanese move notation over a short game with every kind of move text.

#include "record/notation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testing.h"
#include "record/play.h"
#include "record/sfen.h"

namespace {

// The notation of every recorded move, each computed in the position before it.
std::vector<std::string> notations(ZnBan &game) {
    std::vector<std::string> texts;
    walkRecord(
        game, [](const ZnBan &) {},
        [&](const ZnBan &before, std::size_t index) {
            const Square previous = index == 0 ? IN_HAND : before.history()[index - 1].to;
            texts.push_back(moveNotation(before, before.history()[index], previous));
        });
    return texts;
}

TEST(Notation, WritesSquaresSameDropsAndPromotionChoices) {
    ZnBan game;
    const Move moves[] = {
        {sq(7, 7), sq(7, 6), false, PAWN},   // ▲７六歩(77)
        {sq(3, 3), sq(3, 4), false, PAWN},   // △３四歩(33)
        {sq(8, 8), sq(2, 2), false, PAWN},   // ▲２二角不成(88)
        {sq(3, 1), sq(2, 2), false, PAWN},   // △同　銀(31)
        {IN_HAND, sq(5, 5), false, BISHOP},  // ▲５五角打
        {sq(2, 2), sq(3, 3), false, PAWN},   // △３三銀(22)
        {sq(5, 5), sq(3, 3), true, PAWN},    // ▲同　角成(55)
        {sq(2, 1), sq(3, 3), false, PAWN},   // △同　桂(21)
    };
    for (const Move &move : moves) ASSERT_EQ(playMove(game, move), "");
    const std::vector<std::string> expected = {"▲７六歩(77)",   "△３四歩(33)", "▲２二角不成(88)",
                                               "△同　銀(31)",   "▲５五角打",   "△３三銀(22)",
                                               "▲同　角成(55)", "△同　桂(21)"};
    EXPECT_EQ(notations(game), expected);
}

// A reading names each move so that any reader can play it: its first move in full even when it
// recaptures, and the word that tells apart two pieces able to make it.
TEST(Notation, ReadingsStartInFullAndTellPiecesApart) {
    const struct {
        const char *sfen;
        std::vector<Move> moves;
        const char *text;
    } rows[] = {
        // After ▲２二角成, gote's silver takes back: nothing before it to say 同 of.
        {"lnsgkgsnl/1r5+B1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/7R1/LNSGKGSNL w B 4",
         {{sq(3, 1), sq(2, 2)}, {IN_HAND, sq(4, 5), false, BISHOP}, {sq(2, 2), sq(3, 3)}},
         "△２二銀▲４五角打△３三銀"},
        {"4k4/9/9/9/9/9/9/3G1G3/4K4 b - 1", {{sq(4, 8), sq(5, 8)}}, "▲５八金右"},
        {"4k4/9/9/9/9/9/9/3G1G3/4K4 b - 1", {{sq(6, 8), sq(5, 8)}}, "▲５八金左"},
        {"4k4/9/9/9/9/9/4G4/5G3/4K4 b - 1", {{sq(4, 8), sq(5, 8)}}, "▲５八金寄"},
        {"4k4/9/9/9/9/9/4G4/5G3/4K4 b - 1", {{sq(5, 7), sq(5, 8)}}, "▲５八金引"},
        {"4k4/9/9/9/9/9/9/5G3/4K4 b G 1", {{IN_HAND, sq(5, 8), false, GOLD}}, "▲５八金打"},
    };
    for (const auto &row : rows) {
        ZnBan game;
        RecordNotes notes;
        ASSERT_TRUE(readSfen(game, notes, std::string("sfen ") + row.sfen).ok) << row.sfen;
        std::size_t played = 0;
        EXPECT_EQ(readingText(game, row.moves, &played), row.text) << row.sfen;
        EXPECT_EQ(played, row.moves.size());
    }
}

TEST(Notation, TwoCharacterNamesAfterSameTakeNoPadding) {
    EXPECT_EQ(kifPieceName(SILVER + PROMOTED_OFFSET), "成銀");
    EXPECT_EQ(kifPieceName(ROOK + PROMOTED_OFFSET), "龍");
    EXPECT_EQ(kifPieceName(PAWN + PROMOTED_OFFSET), "と");
    EXPECT_EQ(squareName(sq(1, 9)), "１九");
    EXPECT_EQ(squareName(IN_HAND), "？？");
}

}  // namespace

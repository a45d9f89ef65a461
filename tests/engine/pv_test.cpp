// From the engine's moves and numbers to the board's: move words, PVs cut at the first illegal
// move, scores from sente's view.
#include "engine/pv.h"

#include <gtest/gtest.h>

#include "common/records.h"
#include "engine/searchreport.h"
#include "record/sfen.h"

namespace {

using Words = std::vector<std::string>;
const char *const kStart = "startpos";
const char *const kMateInOne = "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1";

TEST(UsiMoveWord, ReadsAndWritesEveryForm) {
    for (const char *word : {"7g7f", "8h2b+", "P*5e", "G*5b", "1a9i", "9i1a+"}) {
        const std::optional<Move> move = readUsiMoveWord(word);
        EXPECT_EQ(move ? usiMoveWord(*move) : "", word);
    }
    for (const char *bad : {"", "7g7", "7g7f=", "0a1a", "7j7f", "K*5e", "X*5e", "P*5", "7g7f++", "pass"})
        EXPECT_FALSE(readUsiMoveWord(bad)) << bad;
}

TEST(TranslatePv, PlaysOnAScratchCopyAndCutsAtTheFirstIllegalMove) {
    const struct {
        const char *position;
        Words pv;
        const char *text, *cutWord;
    } rows[] = {
        {kStart, {"7g7f", "3c3d", "8h2b+", "3a2b"}, "▲７六歩△３四歩▲２二角成△同　銀", ""},
        {kMateInOne, {"G*5b"}, "▲５二金打", ""},
        // Sente's pawn cannot go sideways; what came before it stays.
        {kStart, {"7g7f", "3c3d", "2g3g", "8c8d"}, "▲７六歩△３四歩", "2g3g"},
        // No piece there, gote's pawn moved by sente, a drop without a piece, a pass.
        {kStart, {"5e5d"}, "", "5e5d"},
        {kStart, {"3c3d"}, "", "3c3d"},
        {kStart, {"P*5e"}, "", "P*5e"},
        {kStart, {"7g7f", "pass", "7f7e"}, "▲７六歩", "pass"},
        // A promotion where none is possible, a forced one left out, an optional one taken.
        {kStart, {"7g7f+"}, "", "7g7f+"},
        {"sfen 4k4/4P4/9/9/9/9/9/9/4K4 b - 1", {"5b5a"}, "", "5b5a"},
        {"sfen 4k4/9/4P4/9/9/9/9/9/4K4 b - 1", {"5c5b+"}, "▲５二歩成", ""},
    };
    for (const auto &row : rows) {
        ZnBan game, scratch;
        const std::string before = positionSfen(loadSfen(game, row.position));
        const BoardPv pv = translatePv(game, row.pv, scratch);
        EXPECT_EQ(pv.text, row.text);
        EXPECT_EQ(pv.cutWord, row.cutWord);
        EXPECT_EQ(pv.cutWord.empty(), pv.cutReason.empty());
        EXPECT_EQ(positionSfen(game), before) << "the game is never changed";
        EXPECT_EQ(scratch.moveCount(), static_cast<int>(pv.moves.size()));
    }
}

TEST(SenteScore, TurnsSignsAndBoundsWhenGoteIsToMove) {
    const struct {
        UsiScore score;
        Side toMove;
        const char *text;
    } rows[] = {
        {{false, 123}, SENTE, "+123"},
        {{false, 123}, GOTE, "-123"},
        {{false, 0}, GOTE, "0"},
        {{false, -40, true, ScoreBound::Lower}, SENTE, "-40↑"},
        {{false, -40, true, ScoreBound::Lower}, GOTE, "+40↓"},
        {{false, 75, true, ScoreBound::Upper}, GOTE, "-75↑"},
        {{true, 7}, SENTE, "詰み 7手 先手勝ち"},
        {{true, 7}, GOTE, "詰み 7手 後手勝ち"},
        {{true, -4}, SENTE, "詰み 4手 後手勝ち"},
        {{true, -4}, GOTE, "詰み 4手 先手勝ち"},
        {{true, 0}, SENTE, "詰み 0手 後手勝ち"},
        {{true, 1, false}, GOTE, "詰み 後手勝ち"},
        {{true, 3, true, ScoreBound::Lower}, GOTE, "詰み 3手 後手勝ち↓"},
    };
    for (const auto &row : rows) EXPECT_EQ(scoreText(senteView(row.score, row.toMove)), row.text);
}

// The engine sees the whole line when the rules allow each move of it, so that it knows the
// repetitions; one move the rules refuse, or a start they cannot judge, leaves the position alone.
TEST(LineCommand, TheWholeLineOnlyWhenEveryMoveIsLegal) {
    const char *start = "position sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1";
    const struct {
        const char *line, *command;
    } rows[] = {
        {kStart, start},
        {"startpos moves 7g7f 3c3d 8h2b+",
         "position sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1 moves 7g7f 3c3d "
         "8h2b+"},
        {"sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1 moves G*5b",
         "position sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1 moves G*5b"},
        // Sente's king walks into the rook's file: the free board allows it, the rules do not.
        {"sfen 4k4/9/9/9/9/9/9/3r5/4K4 b - 1 moves 5i5h 6h5h", "position sfen 4k4/9/9/9/9/9/9/4r4/9 b k 3"},
        // The pawn drop that mates.
        {"sfen 8k/9/6NG1/9/9/9/9/9/4K4 b P 1 moves P*1b", "position sfen 8k/8P/6NG1/9/9/9/9/9/4K4 w - 2"},
    };
    for (const auto &row : rows) {
        ZnBan game;
        EXPECT_EQ(lineCommand(loadSfen(game, row.line)), row.command) << row.line;
    }
}

// Each reading keeps its latest score, an exact one before a bound; a line with no move or a
// multipv number out of range adds none.
TEST(SearchReport, KeepsTheFirstMoveAndScoreOfEveryReading) {
    SearchReport search;
    for (const char *line :
         {"info depth 5 multipv 2 score cp -40 pv 2g2f 8c8d",
          "info depth 6 multipv 2 score cp -90 lowerbound pv 6i7h", "info depth 6 score cp 30 pv 7g7f 3c3d",
          "info depth 6 multipv 3 score cp -200", "info depth 6 multipv 0 score cp 5 pv 5g5f",
          "info depth 6 multipv 4 score mate -3 pv 9g9f"})
        search.info(parseUsiLine(line).info);
    std::string why;
    const std::optional<EngineReport> report = search.report("Fake", why);
    ASSERT_TRUE(report.has_value()) << why;
    const auto move = [](const char *word) { return *readUsiMoveWord(word); };
    EXPECT_EQ(report->readings,
              (std::vector<ReadingScore>{
                  {move("7g7f"), false, 30}, {move("2g2f"), false, -40}, {move("9g9f"), true, -3}}));
}

}  // namespace

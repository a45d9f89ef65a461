// Reading engine lines: every line type, options by keyword, info fields, and lines that are bad.
#include "engine/usiline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct OptionRow {
    const char *line;
    const char *name;
    OptionType type;
    const char *defaultValue;
    std::optional<std::int64_t> min, max;
    std::vector<std::string> vars;
};

TEST(UsiLine, OptionsAreReadByKeywordWithSpacesInNamesAndValues) {
    const OptionRow rows[] = {
        {"option name Skill Level type spin default 20 min -20 max 20",
         "Skill Level",
         OptionType::Spin,
         "20",
         -20,
         20,
         {}},
        {"option name Debug Log File type string default ",
         "Debug Log File",
         OptionType::String,
         "",
         {},
         {},
         {}},
        {"option name SyzygyPath type string default <empty>",
         "SyzygyPath",
         OptionType::String,
         "",
         {},
         {},
         {}},
        {"option name Clear Hash type button", "Clear Hash", OptionType::Button, "", {}, {}, {}},
        {"option name Ponder type check default false", "Ponder", OptionType::Check, "false", {}, {}, {}},
        {"option name Analysis Contempt type combo default Both var Both var Off var White var Black",
         "Analysis Contempt",
         OptionType::Combo,
         "Both",
         {},
         {},
         {"Both", "Off", "White", "Black"}},
        {"option name Book File type filename default book/my book.bin",
         "Book File",
         OptionType::Filename,
         "book/my book.bin",
         {},
         {},
         {}},
        {"option name Style type combo default Very Solid var Very Solid var Risky",
         "Style",
         OptionType::Combo,
         "Very Solid",
         {},
         {},
         {"Very Solid", "Risky"}},
        {"option name Odd type colour default red", "Odd", OptionType::Unknown, "red", {}, {}, {}},
        // A bound too large for any number is left out, not wrapped.
        {"option name Hash type spin default 16 min 1 max 99999999999999999999",
         "Hash",
         OptionType::Spin,
         "16",
         1,
         {},
         {}},
    };
    for (const OptionRow &row : rows) {
        SCOPED_TRACE(row.line);
        const UsiLine line = parseUsiLine(row.line);
        ASSERT_EQ(line.type, UsiLineType::Option);
        EXPECT_EQ(line.option.name, row.name);
        EXPECT_EQ(line.option.type, row.type);
        EXPECT_EQ(line.option.defaultValue, row.defaultValue);
        EXPECT_EQ(line.option.min, row.min);
        EXPECT_EQ(line.option.max, row.max);
        EXPECT_EQ(line.option.vars, row.vars);
    }
}

TEST(UsiLine, InfoFieldsIncludingBoundsAndText) {
    UsiLine line = parseUsiLine(
        "info depth 8 seldepth 12 multipv 3 score cp -168 upperbound nodes 17426 nps 50656 hashfull 12 "
        "tbhits 0 "
        "time 344 pv 5c5d 5g5f 6c6d");
    ASSERT_EQ(line.type, UsiLineType::Info);
    const UsiInfo &info = line.info;
    EXPECT_EQ(info.depth, 8);
    EXPECT_EQ(info.seldepth, 12);
    EXPECT_EQ(info.multipv, 3);
    ASSERT_TRUE(info.score);
    EXPECT_FALSE(info.score->mate);
    EXPECT_EQ(info.score->value, -168);
    EXPECT_EQ(info.score->bound, ScoreBound::Upper);
    EXPECT_EQ(info.nodes, 17426);
    EXPECT_EQ(info.nps, 50656);
    EXPECT_EQ(info.hashfull, 12);
    EXPECT_EQ(info.time, 344);
    EXPECT_EQ(info.pv, (std::vector<std::string>{"5c5d", "5g5f", "6c6d"}));
    EXPECT_FALSE(info.overflow);

    struct ScoreRow {
        const char *line;
        bool mate;
        std::int64_t value;
        bool known;
        ScoreBound bound;
    };
    const ScoreRow scores[] = {
        {"info score mate 7 pv G*5b", true, 7, true, ScoreBound::Exact},
        {"info score mate -3 lowerbound", true, -3, true, ScoreBound::Lower},
        {"info score mate + pv G*5b", true, 1, false, ScoreBound::Exact},
        {"info score mate -", true, -1, false, ScoreBound::Exact},
        {"info score cp 250 lowerbound", false, 250, true, ScoreBound::Lower},
    };
    for (const ScoreRow &row : scores) {
        SCOPED_TRACE(row.line);
        line = parseUsiLine(row.line);
        ASSERT_TRUE(line.info.score);
        EXPECT_EQ(line.info.score->mate, row.mate);
        EXPECT_EQ(line.info.score->value, row.value);
        EXPECT_EQ(line.info.score->mateKnown, row.known);
        EXPECT_EQ(line.info.score->bound, row.bound);
    }

    line = parseUsiLine("info string loss by checkmate  ");
    EXPECT_EQ(line.info.text, "loss by checkmate");
    line = parseUsiLine("info currmove 7g7f currmovenumber 3");
    EXPECT_EQ(line.info.currmove, "7g7f");
}

TEST(UsiLine, OtherLineTypes) {
    struct Row {
        const char *line;
        UsiLineType type;
        const char *first;  // id value or best move
        const char *ponder;
        bool resign, win;
    };
    const Row rows[] = {
        {"id name Fairy-Stockfish 11.1 LB 64", UsiLineType::Id, "Fairy-Stockfish 11.1 LB 64", "", false,
         false},
        {"usiok", UsiLineType::UsiOk, "", "", false, false},
        {"readyok\t", UsiLineType::ReadyOk, "", "", false, false},
        {"bestmove 5a4b ponder 5g5f", UsiLineType::BestMove, "5a4b", "5g5f", false, false},
        {"bestmove resign", UsiLineType::BestMove, "resign", "", true, false},
        {"bestmove win", UsiLineType::BestMove, "win", "", false, true},
        {"Fairy-Stockfish 11.1 LB 64 by Fabian Fichter", UsiLineType::Unknown, "", "", false, false},
        {"   ", UsiLineType::Empty, "", "", false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line);
        const UsiLine line = parseUsiLine(row.line);
        EXPECT_EQ(line.type, row.type);
        EXPECT_EQ(row.type == UsiLineType::Id ? line.idValue : line.best.move, row.first);
        EXPECT_EQ(line.best.ponder, row.ponder);
        EXPECT_EQ(line.best.resign, row.resign);
        EXPECT_EQ(line.best.win, row.win);
    }
}

// Lines a broken engine may print: none may crash, each field that cannot be read is left out and
// the rest of the line still counts.
TEST(UsiLine, BadLinesLoseOnlyWhatIsBad) {
    struct Row {
        const char *line;
        UsiLineType type;
        bool overflow;
        std::optional<int> depth;
        std::optional<std::int64_t> nodes;
        bool score;
    };
    const Row rows[] = {
        {"info depth 99999999999 nodes 5", UsiLineType::Info, true, {}, 5, false},
        {"info depth 3 nodes 999999999999999999999999", UsiLineType::Info, true, 3, {}, false},
        {"info depth 3 score cp 99999999999999999999999 nodes 4", UsiLineType::Info, true, 3, 4, false},
        {"info depth -2147483649", UsiLineType::Info, true, {}, {}, false},
        {"info depth", UsiLineType::Info, false, {}, {}, false},
        {"info depth x7 nodes 1x", UsiLineType::Info, false, {}, {}, false},
        {"info score", UsiLineType::Info, false, {}, {}, false},
        {"info score mate", UsiLineType::Info, false, {}, {}, false},
        {"info score furlongs 3 depth 2", UsiLineType::Info, false, 2, {}, false},
        {"info pv", UsiLineType::Info, false, {}, {}, false},
        {"info \xFF\xFE depth 1", UsiLineType::Info, false, 1, {}, false},
        {"bestmove", UsiLineType::BestMove, false, {}, {}, false},
        {"option", UsiLineType::Option, false, {}, {}, false},
        {"option name", UsiLineType::Option, false, {}, {}, false},
        {"id", UsiLineType::Id, false, {}, {}, false},
        {"usiokay", UsiLineType::Unknown, false, {}, {}, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line);
        const UsiLine line = parseUsiLine(row.line);
        EXPECT_EQ(line.type, row.type);
        EXPECT_EQ(line.info.overflow, row.overflow);
        EXPECT_EQ(line.info.depth, row.depth);
        EXPECT_EQ(line.info.nodes, row.nodes);
        EXPECT_EQ(line.info.score.has_value(), row.score);
    }
}

TEST(UsiLineSplitter, CutsLinesDropsLongOnesAndRepairsUtf8) {
    struct Row {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::size_t dropped, repaired;
    };
    const std::string longLine(UsiLineSplitter::kMaxLineBytes + 1, 'x');
    const std::string fullLine(UsiLineSplitter::kMaxLineBytes, 'y');
    const std::string mebibyte(1 << 20, 'z');
    const Row rows[] = {
        {{"usi", "ok\r\nread", "yok\n"}, {"usiok", "readyok"}, 0, 0},
        {{"a\n\nb\n", "c"}, {"a", "", "b"}, 0, 0},
        {{longLine + "\nreadyok\n"}, {"readyok"}, 1, 0},
        {{fullLine + "\n"}, {fullLine}, 0, 0},
        {{mebibyte.substr(0, 1000), mebibyte, "\nusiok\n"}, {"usiok"}, 1, 0},
        {{"id name \xE6\x97\xA5\xFF\n"}, {"id name \xE6\x97\xA5\xEF\xBF\xBD"}, 0, 1},
        // Overlong, surrogate and cut-short sequences.
        {{"\xC0\xAF|\xED\xA0\x80|\xE6\x97\n"},
         {"\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD"},
         0,
         1},
    };
    for (const Row &row : rows) {
        UsiLineSplitter splitter;
        std::vector<std::string> lines;
        for (const std::string &chunk : row.chunks)
            splitter.feed(chunk, [&](std::string &&line) { lines.push_back(std::move(line)); });
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(splitter.droppedLines(), row.dropped);
        EXPECT_EQ(splitter.repairedLines(), row.repaired);
    }
}

}  // namespace

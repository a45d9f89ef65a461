// Reading engine lines: every line type, options by keyword, info fields, and lines that are bad.
#include "engine/usiline.h"

#include <gtest/gtest.h>

namespace {

using Vars = std::vector<std::string>;
using Int = std::optional<std::int64_t>;

TEST(UsiLine, OptionsAreReadByKeywordWithSpacesInNamesAndValues) {
    const struct {
        const char *line, *name;
        OptionType type;
        const char *value;
        Int min = {}, max = {};
        Vars vars = {};
    } rows[] = {
        {"option name Skill Level type spin default 20 min -20 max 20", "Skill Level", OptionType::Spin, "20",
         -20, 20},
        {"option name Debug Log File type string default ", "Debug Log File", OptionType::String, ""},
        {"option name SyzygyPath type string default <empty>", "SyzygyPath", OptionType::String, ""},
        {"option name Clear Hash type button", "Clear Hash", OptionType::Button, ""},
        {"option name Ponder type check default false", "Ponder", OptionType::Check, "false"},
        {"option name Style type combo default Very Solid var Very Solid var Risky",
         "Style",
         OptionType::Combo,
         "Very Solid",
         {},
         {},
         {"Very Solid", "Risky"}},
        {"option name Book File type filename default my book.bin", "Book File", OptionType::Filename,
         "my book.bin"},
        {"option name Odd type colour default red", "Odd", OptionType::Unknown, "red"},
        // A bound too large for any number is left out, not wrapped.
        {"option name Hash type spin default 16 min 1 max 99999999999999999999", "Hash", OptionType::Spin,
         "16", 1},
    };
    for (const auto &row : rows) {
        const UsiLine line = parseUsiLine(row.line);
        ASSERT_EQ(line.type, UsiLineType::Option) << row.line;
        EXPECT_EQ(line.option.name, row.name);
        EXPECT_EQ(line.option.type, row.type) << row.line;
        EXPECT_EQ(line.option.defaultValue, row.value);
        EXPECT_EQ(line.option.min, row.min) << row.line;
        EXPECT_EQ(line.option.max, row.max) << row.line;
        EXPECT_EQ(line.option.vars, row.vars);
    }
}

TEST(UsiLine, InfoFieldsAndScores) {
    const UsiInfo info =
        parseUsiLine(
            "info depth 8 seldepth 12 multipv 3 score cp -168 upperbound nodes 17426 nps 50656 "
            "hashfull 12 tbhits 0 time 344 currmove 7g7f pv 5c5d 5g5f")
            .info;
    EXPECT_EQ(std::make_tuple(info.depth, info.seldepth, info.multipv, info.hashfull),
              std::make_tuple(std::optional(8), std::optional(12), std::optional(3), std::optional(12)));
    EXPECT_EQ(std::make_tuple(info.nodes, info.nps, info.time),
              std::make_tuple(Int(17426), Int(50656), Int(344)));
    EXPECT_EQ(info.pv, (Vars{"5c5d", "5g5f"}));
    EXPECT_EQ(info.currmove, "7g7f");
    EXPECT_EQ(parseUsiLine("info string loss by checkmate  ").info.text, "loss by checkmate");
    const struct {
        const char *line;
        bool mate;
        std::int64_t value;
        bool known;
        ScoreBound bound;
    } rows[] = {
        {"info score cp -168 upperbound", false, -168, true, ScoreBound::Upper},
        {"info score mate 7 pv G*5b", true, 7, true, ScoreBound::Exact},
        {"info score mate -3 lowerbound", true, -3, true, ScoreBound::Lower},
        {"info score mate + pv G*5b", true, 1, false, ScoreBound::Exact},
        {"info score mate -", true, -1, false, ScoreBound::Exact},
        {"info score mate -0", true, 0, true, ScoreBound::Exact},
    };
    for (const auto &row : rows) {
        const std::optional<UsiScore> score = parseUsiLine(row.line).info.score;
        ASSERT_TRUE(score) << row.line;
        EXPECT_EQ(std::make_tuple(score->mate, score->value, score->mateKnown, score->bound),
                  std::make_tuple(row.mate, row.value, row.known, row.bound))
            << row.line;
    }
}

// Every other line type, and lines a broken engine may print: none may crash, a field that cannot
// be read is left out and the rest of the line still counts.
TEST(UsiLine, LineTypesAndBadLines) {
    const struct {
        const char *line;
        UsiLineType type;
        const char *word = "";  // the id value or the best move
        const char *ponder = "";
        bool overflow = false;
        std::optional<int> depth = {};
        Int nodes = {};
    } rows[] = {
        {"id name Fairy-Stockfish 11.1 LB 64", UsiLineType::Id, "Fairy-Stockfish 11.1 LB 64"},
        {"usiok", UsiLineType::UsiOk},
        {"readyok\t", UsiLineType::ReadyOk},
        {"bestmove 5a4b ponder 5g5f", UsiLineType::BestMove, "5a4b", "5g5f"},
        {"bestmove resign", UsiLineType::BestMove, "resign"},
        {"bestmove win", UsiLineType::BestMove, "win"},
        {"Fairy-Stockfish 11.1 LB 64 by Fabian Fichter", UsiLineType::Unknown},
        {"   ", UsiLineType::Empty},
        {"info depth 99999999999 nodes 5", UsiLineType::Info, "", "", true, {}, 5},
        {"info depth 3 nodes 999999999999999999999999", UsiLineType::Info, "", "", true, 3},
        {"info depth 3 score cp 99999999999999999999999 nodes 4", UsiLineType::Info, "", "", true, 3, 4},
        {"info depth -2147483649", UsiLineType::Info, "", "", true},
        {"info depth x7 nodes 1x", UsiLineType::Info},
        {"info score furlongs 3 depth 2", UsiLineType::Info, "", "", false, 2},
        {"info \xFF\xFE depth 1", UsiLineType::Info, "", "", false, 1},
        {"info score mate", UsiLineType::Info},
        {"bestmove", UsiLineType::BestMove},
        {"option name", UsiLineType::Option},
        {"usiokay", UsiLineType::Unknown},
    };
    for (const auto &row : rows) {
        const UsiLine line = parseUsiLine(row.line);
        EXPECT_EQ(line.type, row.type) << row.line;
        EXPECT_EQ(row.type == UsiLineType::Id ? line.idValue : line.best.move, row.word) << row.line;
        EXPECT_EQ(line.best.ponder, row.ponder);
        EXPECT_EQ(line.best.resign, line.best.move == "resign");
        EXPECT_EQ(line.best.win, line.best.move == "win");
        EXPECT_EQ(line.info.overflow, row.overflow) << row.line;
        EXPECT_EQ(line.info.depth, row.depth) << row.line;
        EXPECT_EQ(line.info.nodes, row.nodes) << row.line;
        EXPECT_EQ(line.info.score.has_value(), false) << row.line;
    }
}

TEST(UsiLineSplitter, CutsLinesDropsLongOnesAndRepairsUtf8) {
    const std::string longLine(UsiLineSplitter::kMaxLineBytes + 1, 'x'),
        fullLine(UsiLineSplitter::kMaxLineBytes, 'y');
    const std::string mebibyte(1 << 20, 'z'), bad = "\xEF\xBF\xBD";
    const struct {
        Vars chunks, lines;
        std::size_t dropped = 0, repaired = 0;
    } rows[] = {
        {{"usi", "ok\r\nread", "yok\n"}, {"usiok", "readyok"}},
        {{"a\n\nb\n", "c"}, {"a", "", "b"}},
        {{longLine + "\nreadyok\n"}, {"readyok"}, 1},
        {{fullLine + "\n"}, {fullLine}},
        {{mebibyte.substr(0, 1000), mebibyte, "\nusiok\n"}, {"usiok"}, 1},
        {{"id name \xE6\x97\xA5\xFF\n"}, {"id name \xE6\x97\xA5" + bad}, 0, 1},
        // Overlong, surrogate and cut-short sequences.
        {{"\xC0\xAF|\xED\xA0\x80|\xE6\x97\n"}, {bad + bad + "|" + bad + bad + bad + "|" + bad + bad}, 0, 1},
    };
    for (const auto &row : rows) {
        UsiLineSplitter splitter;
        Vars lines;
        for (const std::string &chunk : row.chunks)
            splitter.feed(chunk, [&](std::string &&line) { lines.push_back(std::move(line)); });
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(splitter.droppedLines(), row.dropped);
        EXPECT_EQ(splitter.repairedLines(), row.repaired);
    }
}

}  // namespace

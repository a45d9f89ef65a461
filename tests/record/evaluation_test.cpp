// Evaluations in comment lines: the conversion to sente's view, the lines an analysis writes, the
// merge that never duplicates them, and the forms other programs write read back for the graph.

#include "record/evaluation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "record/formats.h"

namespace {

TEST(Evaluation, EngineScoresTurnToSenteView) {
    struct Row {
        Side toMove;
        bool mate;
        long long value;
        Evaluation expected;
    };
    const Row rows[] = {
        {SENTE, false, 123, Evaluation::score(123)},
        {GOTE, false, 123, Evaluation::score(-123)},
        {GOTE, false, -50, Evaluation::score(50)},
        {SENTE, false, 1'000'000'000'000LL, Evaluation::score(100000)},
        {GOTE, false, -1'000'000'000'000LL, Evaluation::score(100000)},
        {SENTE, true, 7, Evaluation::mateFor(SENTE, 7)},
        {GOTE, true, 7, Evaluation::mateFor(GOTE, 7)},
        {GOTE, true, -4, Evaluation::mateFor(SENTE, 4)},
        // Mated already: the side to move has lost.
        {SENTE, true, 0, Evaluation::mateFor(GOTE, 0)},
        {SENTE, true, std::numeric_limits<long long>::min(), Evaluation::mateFor(GOTE, 100000)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(senteView(row.toMove, row.mate, row.value), row.expected)
            << row.value << " side " << +row.toMove;
}

TEST(Evaluation, SituationWordsChangeAtTheirBounds) {
    const std::pair<int, std::string_view> rows[] = {
        {0, "互角"},       {299, "互角"},     {-299, "互角"},      {300, "先手有利"},  {-300, "後手有利"},
        {799, "先手有利"}, {800, "先手優勢"}, {-1999, "後手優勢"}, {2000, "先手勝勢"}, {-2000, "後手勝勢"},
    };
    for (const auto &[score, word] : rows) EXPECT_EQ(situationWord(Evaluation::score(score)), word) << score;
    EXPECT_EQ(situationWord(Evaluation::mateFor(GOTE, 3)), "後手勝勢");
}

TEST(Evaluation, LinesAreWrittenAsOtherProgramsReadThem) {
    EXPECT_EQ(evaluationLines(Evaluation::score(-123), "▲７六歩△３四歩", 18, "Fairy-Stockfish"),
              (std::vector<std::string>{"#評価値=-123", "#互角", "#読み筋=▲７六歩△３四歩", "#深さ=18",
                                        "#エンジン=Fairy-Stockfish"}));
    EXPECT_EQ(evaluationLines(Evaluation::mateFor(SENTE, 7), "", 0, ""),
              (std::vector<std::string>{"#詰み=先手勝ち:7手", "#先手勝勢"}));
    EXPECT_EQ(evaluationLines(Evaluation::mateFor(GOTE, 0), "", 0, "")[0], "#詰み=後手勝ち");
}

TEST(Evaluation, MergeReplacesAnEarlierAnalysisAndKeepsEverythingElse) {
    std::vector<std::string> comments = {"【悪手】",  "古い理由",       "対局者のメモ", "#評価値=55",
                                         "#先手有利", "#ノード数=1000", "#深さ=3",      "*評価値=40"};
    const std::vector<std::string> analysis = {"【疑問手】", "新しい理由", "#評価値=-20", "#互角", "#深さ=9"};
    const std::vector<std::string> expected = {"【疑問手】", "新しい理由",  "対局者のメモ", "#ノード数=1000",
                                               "*評価値=40", "#評価値=-20", "#互角",        "#深さ=9"};
    mergeAnalysisLines(comments, analysis);
    EXPECT_EQ(comments, expected);
    mergeAnalysisLines(comments, analysis);
    EXPECT_EQ(comments, expected);
    // A later analysis without a label takes the old label and its reason away.
    mergeAnalysisLines(comments, {"#評価値=5", "#互角"});
    EXPECT_EQ(comments, (std::vector<std::string>{"対局者のメモ", "#ノード数=1000", "*評価値=40", "#評価値=5",
                                                  "#互角"}));
}

TEST(Evaluation, CommentFormsAreReadForTheGraph) {
    struct Row {
        std::vector<std::string> comments;
        std::optional<Evaluation> expected;
    };
    const Row rows[] = {
        {{"#評価値=123"}, Evaluation::score(123)},
        {{"メモ", "*評価値=-45"}, Evaluation::score(-45)},
        {{"*評価値=+30"}, Evaluation::score(30)},
        {{"** 113 -3334FU +2625FU"}, Evaluation::score(113)},
        {{"** -18"}, Evaluation::score(-18)},
        {{"#詰み=後手勝ち:5手"}, Evaluation::mateFor(GOTE, 5)},
        {{"#詰み=先手勝ち"}, Evaluation::mateFor(SENTE, 0)},
        {{"*評価値=3", "** 9", "#評価値=7"}, Evaluation::score(7)},
        {{"#評価値=99999999999"}, std::nullopt},
        {{"#評価値=12点"}, std::nullopt},
        {{"** 読み筋と評価値"}, std::nullopt},
        {{"#詰み=引き分け"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(evaluationInComments(row.comments), row.expected) << ::testing::PrintToString(row.comments);
}

// Both forms survive a record file: each position's evaluation is read back from the notes.
TEST(Evaluation, RecordsCarryEvaluationsThroughTheirReaders) {
    const std::pair<std::string, std::string> records[] = {
        {"手合割：平手\n*#評価値=30\n1 ７六歩(77)\n*#評価値=-120\n*#後手有利\n2 ３四歩(33)\n**評価値=77\n",
         "a.kifu"},
        {"PI\n+\n'** 30\n+7776FU\nT3\n'** -120 +3334FU\n-3334FU\n'** 77\n", "a.csa"},
    };
    for (const auto &[text, name] : records) {
        for (bool rewrite : {false, true}) {
            ZnBan game;
            RecordNotes notes;
            ASSERT_TRUE(readRecordBytes(game, notes, text, name).ok) << name;
            if (rewrite) {
                std::string bytes;
                ASSERT_TRUE(writeRecordBytes(game, notes, formatOfFileName(name), bytes).ok);
                notes = {};
                ASSERT_TRUE(readRecordBytes(game, notes, bytes, name).ok) << bytes;
            }
            EXPECT_EQ(evaluationInComments(notes.commentsAfter(0)), Evaluation::score(30)) << name;
            EXPECT_EQ(evaluationInComments(notes.commentsAfter(1)), Evaluation::score(-120)) << name;
            EXPECT_EQ(evaluationInComments(notes.commentsAfter(2)), Evaluation::score(77)) << name;
        }
    }
}

// A real Floodgate record: every "'**" line after a move gives that position an evaluation.
TEST(Evaluation, FloodgateRecordGivesAnEvaluationForEveryCommentedMove) {
    const char *folder = std::getenv("NAGI_RECORD_FIXTURES");
    const std::filesystem::path path =
        (folder != nullptr ? std::filesystem::path(folder)
                           : std::filesystem::path(NAGI_SOURCE_DIR) / ".." / "shared" / "record-fixtures") /
        "shogi-kifu-converter/data/tests/csa/floodgate.csa";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no record fixtures";
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::size_t starred = 0;
    for (std::string line; std::getline(bytes, line);) starred += line.starts_with("'** ") ? 1 : 0;
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(game, notes, bytes.str(), path.filename().string()).ok);
    std::size_t read = 0;
    for (std::size_t move = 0; move <= game.history().size(); ++move)
        read += evaluationInComments(notes.commentsAfter(move)).has_value() ? 1 : 0;
    EXPECT_GT(starred, 100u);
    EXPECT_EQ(read, starred);
    EXPECT_EQ(evaluationInComments(notes.commentsAfter(1)), Evaluation::score(113));
}

}  // namespace

// Evaluations in comment lines: sente's view, the merge, and other programs' forms read back.

#include "record/evaluation.h"

#include <gtest/gtest.h>

#include <limits>

#include "record/formats.h"
#include "review/gameanalysis.h"

namespace {

using Lines = std::vector<std::string>;
const Evaluation Mated = Evaluation::mateFor(GOTE, 0);

TEST(Evaluation, EngineScoresTurnToSenteView) {
    const std::tuple<Side, bool, long long, Evaluation> rows[] = {
        {GOTE, false, -(1LL << 40), Evaluation::score(100000)},
        {GOTE, true, -4, Evaluation::mateFor(SENTE, 4)},
        {SENTE, true, 0, Mated},
        {SENTE, true, std::numeric_limits<long long>::min(), Evaluation::mateFor(GOTE, 100000)}};
    for (const auto &[toMove, mate, value, expected] : rows)
        EXPECT_EQ(senteView(toMove, mate, value), expected);
}

TEST(Evaluation, MergeReplacesAnEarlierAnalysisAndKeepsEverythingElse) {
    Lines comments = {"【悪手】",  "古い理由",    "メモ",    "#評価値=55",
                      "#先手有利", "#ノード数=9", "#深さ=3", "*評価値=4"};
    const Lines analysis = {"【疑問手】", "新しい理由", "#評価値=-20", "#互角"};
    const Lines expected = {"【疑問手】", "新しい理由",  "メモ", "#ノード数=9",
                            "*評価値=4",  "#評価値=-20", "#互角"};
    mergeAnalysisLines(comments, analysis);
    EXPECT_EQ(comments, expected);
    // A later analysis without a label takes the old label and its reason away.
    mergeAnalysisLines(comments, {"#評価値=5"});
    EXPECT_EQ(comments, (Lines{"メモ", "#ノード数=9", "*評価値=4", "#評価値=5"}));
}

TEST(Evaluation, CommentFormsAreReadForTheGraph) {
    const std::pair<Lines, std::optional<Evaluation>> rows[] = {
        {{"メモ", "*評価値=-45"}, Evaluation::score(-45)},
        {{"** 113 -3334FU"}, Evaluation::score(113)},
        {{"* -41 +2726FU"}, Evaluation::score(-41)},
        {{"#詰み=後手勝ち:5手"}, Evaluation::mateFor(GOTE, 5)},
        {{"*評価値=3", "** 9", "#評価値=7"}, Evaluation::score(7)},
        {{"#評価値=99999999999"}, std::nullopt},
        {{"#評価値=12点", "** 読み筋"}, std::nullopt},
        {{"#詰み=引き分け"}, std::nullopt}};
    for (const auto &[comments, expected] : rows)
        EXPECT_EQ(evaluationInComments(comments), expected) << ::testing::PrintToString(comments);
}

// Both forms survive reading, and writing then reading again, a record file.
TEST(Evaluation, RecordsCarryEvaluationsIntoTheGraph) {
    const std::pair<std::string, std::string> records[] = {
        {"手合割：平手\n*#評価値=30\n1 ７六歩(77)\n*#詰み=後手勝ち:9手\n2 ３四歩(33)\n**評価値=-4000\n",
         "a.kifu"},
        {"PI\n+\n'** 30\n+7776FU\nT3\n'#詰み=後手勝ち:9手\n-3334FU\n'** -4000 +2726FU\n", "a.csa"}};
    const std::vector<GraphPoint> expected = {
        {0, 30, winningChance(Evaluation::score(30)), MoveLabel::None, ""},
        {1, -3000, 0.0, MoveLabel::None, ""},
        {2, -3000, winningChance(Evaluation::score(-4000)), MoveLabel::None, ""}};
    for (const auto &[text, name] : records) {
        ZnBan game;
        RecordNotes notes;
        ASSERT_TRUE(readRecordBytes(game, notes, text, name).ok) << name;
        const auto at = [&](int ply) -> const Lines & {
            return notes.commentsAfter(static_cast<std::size_t>(ply));
        };
        EXPECT_EQ(evaluationGraph(at, 3), expected) << name;
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(game, notes, formatOfFileName(name), bytes).ok);
        ASSERT_TRUE(readRecordBytes(game, notes, bytes, name).ok) << bytes;
        EXPECT_EQ(evaluationGraph(at, 3), expected) << name << " written and read again";
    }
}

}  // namespace

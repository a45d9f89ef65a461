// The game analysis driven by a scripted fake engine, and the king-safety timeline.

#include "review/gameanalysis.h"

#include <gtest/gtest.h>

#include <map>

#include "common/records.h"
#include "common/testing.h"

namespace {

using Lines = std::vector<std::string>;

Move mv(int fromFile, int fromRank, int toFile, int toRank, bool promote = false) {
    return {sq(fromFile, fromRank), sq(toFile, toRank), promote, PAWN};
}

const Move P76 = mv(7, 7, 7, 6), P34 = mv(3, 3, 3, 4), P26 = mv(2, 7, 2, 6), BxB = mv(8, 8, 2, 2, true);

GameLine opening(std::vector<Move> moves) { return {standardStart(), std::move(moves)}; }

AnalyserAnswer scored(long long score, std::vector<Move> pv = {}, bool mate = false) {
    return {AnalyserAnswer::Kind::Analysed, {mate, score, std::move(pv), std::nullopt, 12, "Fake", {}}, ""};
}

// Answers each position from a script; a position missing from it fails the engine.
struct ScriptedEngine {
    std::map<int, AnalyserAnswer> script;
    AnalyserAnswer operator()(const ZnBan &position, int ply) {
        EXPECT_EQ(position.moveCount(), ply);
        const auto found = script.find(ply);
        return found != script.end()
                   ? found->second
                   : AnalyserAnswer{AnalyserAnswer::Kind::Failed, {}, "エンジンが終了しました"};
    }
};

TEST(GameAnalysis, CommentLinesCarryLabelReasonAndReadingAndMergeOnce) {
    ScriptedEngine engine;
    engine.script = {{0, scored(0)},
                     // The reading's third move has a square off the board and is cut off there.
                     {1, scored(1000, {P34, P26, {sq(3, 3), 200, false, PAWN}})},
                     // 同 and a drop; the last move is illegal there and is cut off.
                     {2, scored(3, {BxB, mv(3, 1, 2, 2), {IN_HAND, sq(4, 5), false, BISHOP}, P76}, true)}};
    // A book move comes with no reading, only the best move.
    engine.script[0].report.bestMove = P26;
    GameAnalysis analysis(opening({P76, P34}));
    runAnalysis(analysis, std::ref(engine));
    EXPECT_EQ(analysis.verdict(2)->label, MoveLabel::None);

    std::vector<Lines> comments(3);
    comments[1] = {"対局者のメモ", "#メモ=残す"};
    const auto at = [&](int ply) -> Lines & { return comments[static_cast<std::size_t>(ply)]; };
    analysis.writeComments(at);
    const auto once = comments;
    analysis.writeComments(at);
    EXPECT_EQ(comments, once);
    EXPECT_EQ(comments[0], (Lines{"#評価値=0", "#互角", "#読み筋=▲２六歩", "#深さ=12", "#エンジン=Fake"}));
    EXPECT_EQ(comments[1],
              (Lines{"【大悪手】", "最善は▲２六歩でした", "対局者のメモ", "#メモ=残す", "#評価値=-1000",
                     "#後手優勢", "#読み筋=△３四歩▲２六歩", "#深さ=12", "#エンジン=Fake"}));
    EXPECT_EQ(comments[2], (Lines{"#詰み=先手勝ち:3手", "#先手勝勢", "#読み筋=▲２二角成△同　銀▲４五角打",
                                  "#深さ=12", "#エンジン=Fake"}));
    EXPECT_EQ(labelInComments(comments[1]), MoveLabel::Blunder);
    EXPECT_EQ(progressLine(analysis, 1), "解析 3/3 1手目 評価値 -1000 大悪手");
    EXPECT_EQ(progressLine(analysis, 2), "解析 3/3 2手目 詰み 先手勝ち 3手");
    // Each cut is an engine fault the notes tell of.
    EXPECT_EQ(analysis.notes(), (Lines{"1手目: エンジンの読み筋の3手目が反則です（その前までを使います）",
                                       "2手目: エンジンの読み筋の4手目が反則です（その前までを使います）"}));

    // A cut reading labels no move, however much the score then falls.
    ScriptedEngine faulty;
    faulty.script = {{0, scored(0, {P26, P26})}, {1, scored(1000)}};
    GameAnalysis judged(opening({P76}));
    runAnalysis(judged, std::ref(faulty));
    EXPECT_EQ(judged.verdict(1)->label, MoveLabel::None);
}

// A move the search before it read is measured inside that search; the next search's score, from
// another depth, decides only for a move it did not read.
TEST(GameAnalysis, LossIsMeasuredInsideOneSearchWhenTheMoveWasOneOfItsReadings) {
    const auto readings = [](long long second) {
        AnalyserAnswer answer = scored(300, {P26});
        answer.report.readings = {{P26, false, 300}, {P76, false, second}};
        return answer;
    };
    struct Row {
        AnalyserAnswer before, after;
        MoveLabel label;
        std::string reason;
    };
    const Row rows[] = {
        // The next search swings to -600, but the search before saw the move cost 20 points.
        {readings(280), scored(600, {P34}), MoveLabel::None, ""},
        // The next search hardly moves, but the search before saw the move cost 600 points.
        {readings(-300), scored(-50, {P34}), MoveLabel::Mistake, "最善は▲２六歩でした"},
        // Not among the readings: the two searches are compared, and the mate names the reason.
        {scored(0, {P26}), scored(5, {P34}, true), MoveLabel::Blunder,
         "△３四歩から詰みます（最善は▲２六歩）"}};
    for (const Row &row : rows) {
        ScriptedEngine engine;
        engine.script = {{0, row.before}, {1, row.after}};
        GameAnalysis analysis(opening({P76}));
        runAnalysis(analysis, std::ref(engine));
        ASSERT_TRUE(analysis.verdict(1).has_value());
        EXPECT_EQ(analysis.verdict(1)->label, row.label) << row.reason;
        EXPECT_EQ(analysis.verdict(1)->reason, row.reason);
    }
}

// The solver's part: a mate the move allowed is proved whatever the engine saw, a mate the move let
// go is named, and a 詰めろ after the engine's reply is the reason of a labelled move.
TEST(GameAnalysis, TheMateSolverNamesMatesAllowedMissedAndThreatened) {
    const Move G52 = {IN_HAND, sq(5, 2), false, GOLD};
    const struct Row {
        const char *what, *sfen;
        Move played;
        AnalyserAnswer before, after;
        MateNote note;
        MoveLabel label;
        std::string reason;
    } rows[] = {
        // Sente's king on 1i, a gote pawn on 1g and a gold in gote's hand: G*1h mates unless the king
        // goes; the engine after the move saw nothing.
        {"allowed", "4k4/9/9/9/9/9/8p/9/R7K b g 1", mv(9, 9, 8, 9), scored(0, {mv(1, 9, 2, 8)}), scored(0),
         MateNote::Allowed, MoveLabel::Blunder, "△１八金打から1手で詰みます"},
        // The same mate found by the engine too: the solver's line, with its length, is the reason.
        {"allowed and seen", "4k4/9/9/9/9/9/8p/9/R7K b g 1", mv(9, 9, 8, 9), scored(0, {mv(1, 9, 2, 8)}),
         scored(1, {{IN_HAND, sq(1, 8), false, GOLD}}, true), MateNote::Allowed, MoveLabel::Blunder,
         "△１八金打から1手で詰みます"},
        // G*5b mated; the king's step lets it go, in a game so won that no loss of chance shows.
        {"missed", "4k4/9/4P4/9/9/9/9/9/4K4 b G 1", mv(5, 9, 4, 9), scored(1, {G52}, true), scored(-3000),
         MateNote::Missed, MoveLabel::Dubious, "▲５二金打から1手で詰みがありました"},
        // The mate played is no miss.
        {"mated", "4k4/9/4P4/9/9/9/9/9/4K4 b G 1", G52, scored(1, {G52}, true), scored(0), MateNote::None,
         MoveLabel::None, ""},
        // The king steps into the corner; after △１七歩不成 gote mates with G*1h if sente passes.
        {"threat", "4k4/9/9/9/9/8p/9/9/R6K1 b g 1", mv(2, 9, 1, 9), scored(0, {mv(9, 9, 9, 8)}),
         scored(1500, {mv(1, 6, 1, 7)}), MateNote::Threat, MoveLabel::Blunder,
         "△１七歩不成で詰めろになります"},
    };
    for (const Row &row : rows) {
        ZnBan start;
        loadSfen(start, row.sfen);
        ScriptedEngine engine;
        engine.script = {{0, row.before}, {1, row.after}};
        GameAnalysis analysis({positionOf(start), {row.played}});
        runAnalysis(analysis, std::ref(engine));
        ASSERT_TRUE(analysis.verdict(1).has_value()) << row.what;
        EXPECT_EQ(analysis.verdict(1)->mate, row.note) << row.what;
        EXPECT_EQ(analysis.verdict(1)->label, row.label) << row.what;
        EXPECT_EQ(analysis.verdict(1)->reason, row.reason) << row.what;
        // Without the solver only the engine's word counts.
        AnalysisSettings plain;
        plain.checkMates = false;
        GameAnalysis unchecked({positionOf(start), {row.played}}, plain);
        runAnalysis(unchecked, std::ref(engine));
        EXPECT_EQ(unchecked.verdict(1)->mate, MateNote::None) << row.what;
    }
}

TEST(GameAnalysis, AsksForItsRangeAndStopsEarlyKeepingWhatWasDone) {
    const GameLine three = opening({P76, P34, P26});
    struct Row {
        GameLine line;
        int first, last;
        // Per position: a is analysed, s skipped, i answered with an illegal best move, - fails
        // the engine.
        std::string script;
        int cancelAfter;
        std::string analysed;
        int total;
        std::string error;
    };
    const Row rows[] = {{three, 0, 9, "aaaa", 2, "aa..", 4, ""},
                        {three, 0, 9, "a---", -1, "a...", 4, "エンジンが終了しました"},
                        {three, 0, 9, "asaa", -1, "a.aa", 4, ""},
                        {three, 0, 9, "aaia", -1, "aa.a", 4, ""},
                        {three, 1, 2, "aaaa", -1, ".aa.", 2, ""},
                        {opening({}), 0, 9, "a", -1, "a", 1, ""},
                        // The line breaks at its third move: the analysis ends where it can be played.
                        {opening({P76, P34, mv(7, 7, 7, 6)}), 0, 9, "aaaa", -1, "aaa.", 3, ""}};
    for (const Row &row : rows) {
        ScriptedEngine engine;
        for (std::size_t ply = 0; ply < row.script.size(); ++ply)
            if (row.script[ply] != '-')
                engine.script[static_cast<int>(ply)] =
                    row.script[ply] == 'a'   ? scored(0)
                    : row.script[ply] == 'i' ? scored(0, {P34})
                                             : AnalyserAnswer{AnalyserAnswer::Kind::Skipped, {}, "二歩です"};
        GameAnalysis analysis(row.line, {row.first, row.last, 600.0, {}});
        EXPECT_EQ(analysis.total(), row.total);
        runAnalysis(analysis, std::ref(engine),
                    [&](const GameAnalysis &a) { return a.finished() != row.cancelAfter; });
        EXPECT_TRUE(analysis.done());
        EXPECT_EQ(analysis.error(), row.error);
        for (int ply = 0; ply < static_cast<int>(row.analysed.size()); ++ply) {
            const auto at = static_cast<std::size_t>(ply);
            const bool analysed = row.analysed[at] == 'a';
            EXPECT_EQ(analysis.result(ply).has_value(), analysed) << row.script << ply;
            // A move is judged only when both of its positions were analysed.
            EXPECT_EQ(analysis.verdict(ply).has_value(), ply > 0 && analysed && row.analysed[at - 1] == 'a');
            EXPECT_EQ(analysis.commentLines(ply).empty(), !analysed);
        }
    }
}

TEST(GameAnalysis, CurrentLineAndKingSafetyTimelineFollowTheGame) {
    ZnBan game;
    game.newGame();
    for (const Move &move : {P76, P34, BxB}) ASSERT_EQ(playMove(game, move), "");
    const GameLine line = currentLine(game);
    EXPECT_EQ(line.moves, (std::vector<Move>{P76, P34, BxB}));
    const auto timeline = kingSafetyTimeline(line);
    ASSERT_EQ(timeline.size(), 4u);
    for (Side side : {SENTE, GOTE}) EXPECT_EQ(timeline[0][side], (SideSafety{0, 0}));
    // The horse on ２二 hangs to the silver.
    EXPECT_EQ(timeline[3][SENTE].piecesLost, 1);
}

}  // namespace

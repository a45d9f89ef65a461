// The game analysis driven by a scripted fake engine: scores turned to sente's view, labels and
// their comment lines, re-analysis, cancelling, failures, skipped positions, ranges, readings in
// notation and the king-safety timeline.

#include "analysis/gameanalysis.h"

#include <gtest/gtest.h>

#include <map>

#include "analysis/pvtext.h"
#include "record/play.h"

namespace {

constexpr Square sq(int file, int rank) { return static_cast<Square>((rank - 1) * 9 + (file - 1)); }
MoveSpec mv(int fromFile, int fromRank, int toFile, int toRank, bool promote = false) {
    return {sq(fromFile, fromRank), sq(toFile, toRank), promote, PAWN};
}

const MoveSpec P76 = mv(7, 7, 7, 6), P34 = mv(3, 3, 3, 4), P26 = mv(2, 7, 2, 6), BxB = mv(8, 8, 2, 2, true);

GameLine opening(std::vector<MoveSpec> moves) { return {standardStart(), std::move(moves)}; }

AnalyserAnswer scored(long long score, std::vector<MoveSpec> pv = {}, bool mate = false) {
    AnalyserAnswer answer;
    answer.report = {mate, score, std::move(pv), 12, "Fake"};
    return answer;
}

// Answers each position from a script; a position missing from it fails the engine.
struct ScriptedEngine {
    explicit ScriptedEngine(std::map<int, AnalyserAnswer> answers = {}) : script(std::move(answers)) {}
    std::map<int, AnalyserAnswer> script;
    std::vector<int> asked;
    AnalyserAnswer operator()(const ZnBan &position, int ply) {
        asked.push_back(ply);
        EXPECT_EQ(position.moveCount(), ply);
        const auto found = script.find(ply);
        if (found != script.end()) return found->second;
        return {AnalyserAnswer::Kind::Failed, {}, "エンジンが終了しました"};
    }
};

TEST(GameAnalysis, CommentLinesCarryLabelReasonAndReadingAndMergeOnce) {
    ScriptedEngine engine{{{0, scored(0, {P26, P34})},
                           {1, scored(1000, {P34, P26})},
                           // The reading's second move is illegal there and is cut off.
                           {2, scored(3, {BxB, P76}, true)}}};
    GameAnalysis analysis(opening({P76, P34}));
    runAnalysis(analysis, std::ref(engine));
    EXPECT_EQ(analysis.verdict(1)->label, MoveLabel::Blunder);
    EXPECT_EQ(analysis.verdict(2)->label, MoveLabel::None);
    EXPECT_EQ(analysis.result(2)->pv, std::vector<MoveSpec>{BxB});

    std::vector<std::vector<std::string>> comments(3);
    comments[1] = {"対局者のメモ", "#メモ=残す"};
    auto at = [&](int ply) -> std::vector<std::string> & { return comments[static_cast<std::size_t>(ply)]; };
    analysis.writeComments(at);
    const auto once = comments;
    analysis.writeComments(at);
    EXPECT_EQ(comments, once);
    EXPECT_EQ(comments[0], (std::vector<std::string>{"#評価値=0", "#互角", "#読み筋=▲２六歩△３四歩",
                                                     "#深さ=12", "#エンジン=Fake"}));
    EXPECT_EQ(comments[1],
              (std::vector<std::string>{"【大悪手】", "最善は▲２六歩でした", "対局者のメモ", "#メモ=残す",
                                        "#評価値=-1000", "#後手優勢", "#読み筋=△３四歩▲２六歩", "#深さ=12",
                                        "#エンジン=Fake"}));
    EXPECT_EQ(comments[2], (std::vector<std::string>{"#詰み=先手勝ち:3手", "#先手勝勢", "#読み筋=▲２二角成",
                                                     "#深さ=12", "#エンジン=Fake"}));
}

TEST(GameAnalysis, StopsEarlyKeepingWhatWasDone) {
    // Per position: a is analysed, s skipped, and a position missing from the script fails the engine.
    const std::tuple<std::string, int, std::string, std::string> rows[] = {
        {"aaaa", 2, "aa--", ""}, {"a", -1, "a---", "エンジンが終了しました"}, {"asaa", -1, "a-aa", ""}};
    for (const auto &[script, cancelAfter, analysed, error] : rows) {
        ScriptedEngine engine;
        for (std::size_t ply = 0; ply < script.size(); ++ply)
            engine.script[static_cast<int>(ply)] =
                script[ply] == 'a' ? scored(0)
                                   : AnalyserAnswer{AnalyserAnswer::Kind::Skipped, {}, "二歩です"};
        GameAnalysis analysis(opening({P76, P34, P26}));
        runAnalysis(analysis, std::ref(engine),
                    [&](const GameAnalysis &a) { return a.finished() != cancelAfter; });
        EXPECT_TRUE(analysis.done());
        EXPECT_EQ(analysis.error(), error);
        EXPECT_EQ(analysis.notes(), script[1] == 's' ? std::vector<std::string>{"1手目: 二歩です"}
                                                     : std::vector<std::string>{});
        for (int ply = 0; ply < 4; ++ply) {
            const auto at = static_cast<std::size_t>(ply);
            EXPECT_EQ(analysis.result(ply).has_value(), analysed[at] == 'a') << script << ply;
            // A move is judged only when both of its positions were analysed.
            EXPECT_EQ(analysis.verdict(ply).has_value(),
                      ply > 0 && analysed[at] == 'a' && analysed[at - 1] == 'a');
            EXPECT_EQ(analysis.commentLines(ply).empty(), analysed[at] != 'a');
        }
    }
}

TEST(GameAnalysis, RangeAndEmptyLinesAskOnlyForTheirPositions) {
    const std::tuple<GameLine, int, int, std::vector<int>> rows[] = {
        {opening({P76, P34, P26}), 1, 2, {1, 2}},
        {opening({P76, P34, P26}), 2, 99, {2, 3}},
        {opening({P76, P34, P26}), 5, 9, {3}},
        {opening({}), 0, 99, {0}},
        // The line breaks at its third move: the analysis ends where it can be played.
        {opening({P76, P34, mv(7, 7, 7, 6)}), 0, 99, {0, 1, 2}},
    };
    for (const auto &[line, first, last, asked] : rows) {
        ScriptedEngine engine;
        for (int ply = 0; ply < 5; ++ply) engine.script[ply] = scored(0);
        AnalysisSettings settings;
        settings.first = first;
        settings.last = last;
        GameAnalysis analysis(line, settings);
        EXPECT_EQ(analysis.total(), static_cast<int>(asked.size()));
        runAnalysis(analysis, std::ref(engine));
        EXPECT_EQ(engine.asked, asked) << first << ".." << last;
        EXPECT_EQ(analysis.finished(), analysis.total());
        EXPECT_EQ(analysis.notes().empty(), line.moves.size() < 3 || line.moves[2].from != sq(7, 7));
    }
}

TEST(GameAnalysis, ReadingsAreWrittenInJapaneseNotation) {
    const MoveSpec silverTakes = mv(3, 1, 2, 2), bishopDrop = {IN_HAND, sq(4, 5), false, BISHOP};
    const std::tuple<std::vector<MoveSpec>, std::string, std::size_t> rows[] = {
        {{P76, P34, BxB}, "▲７六歩△３四歩▲２二角成", 3},
        {{P76, P34, BxB, silverTakes, bishopDrop}, "▲７六歩△３四歩▲２二角成△同　銀▲４五角打", 5},
        {{P76, P76, P34}, "▲７六歩", 1},
        {{mv(8, 8, 2, 2)}, "", 0},
        // Squares off the board, as a broken engine may send them.
        {{P76, {sq(3, 3), 200, false, PAWN}}, "▲７六歩", 1},
        {{P76, {IN_HAND, sq(5, 5), false, 9}}, "▲７六歩", 1},
    };
    ZnBan game;
    game.newGame();
    for (const auto &[moves, text, count] : rows) {
        std::size_t played = 99;
        EXPECT_EQ(movesText(game, moves, IN_HAND, &played), text);
        EXPECT_EQ(played, count);
    }
}

TEST(GameAnalysis, CurrentLineAndKingSafetyTimelineFollowTheGame) {
    ZnBan game;
    game.newGame();
    for (const MoveSpec &move : {P76, P34, BxB}) ASSERT_EQ(playMove(game, move), "");
    const GameLine line = currentLine(game);
    EXPECT_EQ(line.moves, (std::vector<MoveSpec>{P76, P34, BxB}));
    EXPECT_TRUE(line.start == standardStart());
    EXPECT_EQ(game.moveCount(), 3);

    const auto timeline = kingSafetyTimeline(line);
    ASSERT_EQ(timeline.size(), 4u);
    for (Side side : {SENTE, GOTE}) EXPECT_EQ(timeline[0][side], (SideSafety{0, 0}));
    // The horse on ２二 hangs to the silver, and gote's corner pieces hang to the horse.
    EXPECT_EQ(timeline[3][SENTE].piecesLost, 1);
    EXPECT_GT(timeline[3][GOTE].piecesLost, 0);
}

}  // namespace

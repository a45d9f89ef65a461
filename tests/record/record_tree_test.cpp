// Records with branches: seeded random trees written and read back in every format that holds
// branches, and trees as deep and as large as real study files get, read without recursion.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/verify.h"
#include "common/seeded_games.h"
#include "common/testing.h"
#include "core/movegen.h"
#include "record/formats.h"
#include "record/gamerecord.h"
#include "record/position.h"

namespace {

// A random move of the side to move that takes no king; false when there is none.
bool randomMove(const ZnBan &game, std::mt19937 &random, MoveSpec &move) {
    std::vector<Move> moves;
    generateMoves(const_cast<ZnBan &>(game), moves);
    std::erase_if(moves, [&game](const Move &each) {
        const Koma *target = game.pieceAt(each.to);
        return target != nullptr && target->kind() == KING;
    });
    if (moves.empty()) return false;
    const Move &chosen = moves[random() % moves.size()];
    move = {chosen.from, chosen.to, chosen.promote, chosen.dropKind};
    return true;
}

constexpr const char *END_WORDS[] = {"", "投了", "中断", "千日手", "詰み", "切れ負け", "反則勝ち"};

// A game record grown from seeded start `seed` by moves at random cursors, with comments, times and
// end words scattered over it.
struct RandomTree {
    RandomTree(unsigned seed, int moves) {
        std::mt19937 random(seed);
        EXPECT_EQ(buildGame(game, seededStart(seed)), "");
        record.reset();
        MoveSpec move;
        for (int made = 0; made < moves; ++made) {
            if (random() % 4 == 0)
                record.goTo(static_cast<int>(random() % static_cast<unsigned>(record.length() + 1)));
            if (!randomMove(game, random, move)) continue;
            EXPECT_EQ(record.play(move), "");
            if (random() % 5 == 0) record.setComments({"手" + std::to_string(made), "二行目"});
            record.notes().tree.node(record.cursorNode()).seconds =
                random() % 3 == 0 ? -1 : int(random() % 600);
        }
        record.goToStart();
        record.setComments({"開始"});
        RecordTree &tree = record.notes().tree;
        for (int id = 1; id < tree.size(); ++id)
            if (tree.node(id).children.empty())
                tree.node(id).endWord = END_WORDS[random() % std::size(END_WORDS)];
        record.reset(record.notes());
        record.notes().setHeader("棋戦", "分岐杯");
    }
    ZnBan game;
    GameRecord record{game};
};

// What the tree must look like after a round trip through a format that drops part of it.
RecordTree asWritten(RecordTree tree, RecordFormat format) {
    for (int id = 1; id < tree.size(); ++id) {
        RecordNode &node = tree.node(id);
        if (format == RecordFormat::Ki2) node.seconds = -1;
        if (format == RecordFormat::Kif) node.seconds = std::max(0, node.seconds);
    }
    return tree;
}

struct TreeFormat {
    RecordFormat format;
    const char *name;
};

class TreeRoundTrip : public ::testing::TestWithParam<TreeFormat> {};

TEST_P(TreeRoundTrip, SeededTreesComeBackWithTheirBranchesCommentsAndMainLine) {
    const RecordFormat format = GetParam().format;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomTree original(seed, 60 + static_cast<int>(seed) * 7);
        const RecordTree &tree = original.record.tree();
        ASSERT_GT(tree.branchCount(), 0);
        // Written from somewhere in a branch: the whole tree still comes out.
        original.record.goTo(original.record.length() / 2);
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(original.game, original.record.notes(), format, bytes).ok);

        ZnBan game;
        RecordNotes notes;
        const RecordResult read = readRecordBytes(game, notes, bytes, {}, format);
        ASSERT_TRUE(read.ok) << read.reason << "\n" << bytes;
        EXPECT_TRUE(sameTree(notes.tree, asWritten(tree, format))) << bytes;
        EXPECT_EQ(notes.header("棋戦"), "分岐杯");
        EXPECT_EQ(findInconsistency(game), "");
        // The game read holds the main line.
        const std::vector<int> main = notes.tree.mainLine();
        ASSERT_EQ(game.history().size(), main.size());
        for (std::size_t i = 0; i < main.size(); ++i)
            ASSERT_TRUE(sameMove(specOf(game.history()[i]), notes.tree.node(main[i]).move)) << i;
        EXPECT_EQ(notes.endWord, notes.tree.node(main.empty() ? 0 : main.back()).endWord);
        std::string again;
        ASSERT_TRUE(writeRecordBytes(game, notes, format, again).ok);
        EXPECT_EQ(again, bytes);
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TreeRoundTrip,
                         ::testing::Values(TreeFormat{RecordFormat::Kif, "Kif"},
                                           TreeFormat{RecordFormat::Ki2, "Ki2"},
                                           TreeFormat{RecordFormat::Jkf, "Jkf"}),
                         [](const auto &row) { return std::string(row.param.name); });

TEST(TreeInOneLineFormats, TheMainLineIsWrittenAndTheBranchesCounted) {
    const struct {
        RecordFormat format;
        bool keepsBranches;
    } rows[] = {{RecordFormat::Csa, false},
                {RecordFormat::Usi, false},
                {RecordFormat::Ngr, false},
                {RecordFormat::Kif, true},
                {RecordFormat::Ki2, true}};
    RandomTree original(3, 80);
    const RecordTree &tree = original.record.tree();
    const std::vector<int> main = tree.mainLine();
    // The window stands in a branch, away from the main line.
    ASSERT_TRUE(original.record.goToStart());
    ASSERT_TRUE(original.record.choose(tree.node(RecordTree::START).children.size() - 1));
    ASSERT_TRUE(original.record.goToEnd());
    for (const auto &row : rows) {
        SCOPED_TRACE(static_cast<int>(row.format));
        EXPECT_EQ(branchesLeftOut(original.record.notes(), row.format),
                  row.keepsBranches ? 0 : tree.branchCount());
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(original.game, original.record.notes(), row.format, bytes).ok);
        ZnBan game;
        RecordNotes notes;
        ASSERT_TRUE(readRecordBytes(game, notes, bytes, {}, row.format).ok) << bytes;
        ASSERT_EQ(game.history().size(), main.size());
        for (std::size_t i = 0; i < main.size(); ++i)
            ASSERT_TRUE(sameMove(specOf(game.history()[i]), tree.node(main[i]).move)) << i;
        EXPECT_EQ(notes.tree.branchCount(), row.keepsBranches ? tree.branchCount() : 0);
    }
}

// A JKF move element: from (file, rank; 0 for a drop) to (file, rank) with `piece`.
std::string jkfMove(int fromFile, int fromRank, int toFile, int toRank, const char *piece) {
    std::string move =
        R"({"move":{"to":{"x":)" + std::to_string(toFile) + R"(,"y":)" + std::to_string(toRank) + "}";
    if (fromFile != 0)
        move += R"(,"from":{"x":)" + std::to_string(fromFile) + R"(,"y":)" + std::to_string(fromRank) + "}";
    return move + R"(,"piece":")" + piece + R"("}})";
}

TEST(JkfBadInput, IsRefusedWithItsPathAndReasonAndTheGameKept) {
    const std::string p76 = jkfMove(7, 7, 7, 6, "FU"), p34 = jkfMove(3, 3, 3, 4, "FU");
    const struct {
        const char *what;
        std::string text;
        const char *reason;  // a part of the reason
    } rows[] = {
        {"not JSON", R"({"moves": [)", "JSON として読めません"},
        {"not an object", "[1, 2]", "$: JKF はオブジェクト"},
        {"moves not an array", R"({"moves": {}})", "moves: 配列ではありません"},
        {"an unknown preset", R"({"initial": {"preset": "KY_L"}})", "initial.preset: 知らない手合割「KY_L」"},
        {"a board of eight files",
         R"({"initial": {"preset": "OTHER", "data": {"color": 0, "board": [[],[],[],[],[],[],[],[]]}}})",
         "initial.data.board: 9 筋"},
        {"a fork on the start", R"({"moves": [{"forks": [[)" + p76 + "]]}, " + p76 + "]}",
         "moves[0]: 開始局面"},
        {"a fork that is not a line",
         R"({"moves": [{}, )" + p76 +
             R"(, {"move":{"to":{"x":3,"y":4},"from":{"x":3,"y":3},"piece":"FU"},"forks":[5]}]})",
         "moves[2].forks[0]: 手順の配列ではありません"},
        {"an empty fork",
         R"({"moves": [{}, )" + p76 +
             R"(, {"move":{"to":{"x":3,"y":4},"from":{"x":3,"y":3},"piece":"FU"},"forks":[[]]}]})",
         "moves[2].forks[0]: 手順の配列"},
        {"a fork on the end",
         R"({"moves": [{}, )" + p76 + R"(, {"special": "TORYO", "forks": [[)" + p34 + "]]}]}",
         "moves[2]: 終局に指し手か分岐"},
        {"a fork whose first move is illegal",
         R"({"moves": [{}, )" + p76 +
             R"(, {"move":{"to":{"x":3,"y":4},"from":{"x":3,"y":3},"piece":"FU"},"forks":[[)" +
             jkfMove(7, 6, 7, 5, "FU") + "]]}]}",
         "moves[2].forks[0][0].move: 手番の側の駒ではありません"},
        {"a piece that is not the one on the square", R"({"moves": [{}, )" + jkfMove(7, 7, 7, 6, "KY") + "]}",
         "moves[1].move.piece: 移動元の駒と違います"},
        {"a move by the wrong side",
         R"({"moves": [{}, {"move":{"to":{"x":7,"y":6},"from":{"x":7,"y":7},"piece":"FU","color":1}}]})",
         "moves[1].move.color"},
        {"a move after the end", R"({"moves": [{}, {"special": "CHUDAN"}, )" + p76 + "]}",
         "moves[1]: 終局の後"},
        {"an unknown end", R"({"moves": [{}, )" + p76 + R"(, {"special": "DRAW"}]})", "知らない終局「DRAW」"},
        {"a time that is not a number",
         R"({"moves": [{}, {"move":{"to":{"x":7,"y":6},"from":{"x":7,"y":7},"piece":"FU"},"time":{"now":{"m":"1"}}}]})",
         "moves[1].time.now"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ZnBan game;
        ASSERT_EQ(playMove(game, {static_cast<Square>(squareAt(6, 1)), static_cast<Square>(squareAt(5, 1))}),
                  "");
        RecordNotes notes;
        notes.setHeader("棋戦", "読み込み前");
        const std::string before = positionKey(game);
        const RecordResult result = readRecordBytes(game, notes, row.text, "bad.jkf");
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.reason.find(row.reason), std::string::npos) << result.reason;
        EXPECT_EQ(positionKey(game), before);
        EXPECT_EQ(notes.header("棋戦"), "読み込み前");
        EXPECT_EQ(notes.tree.size(), 1);
    }
}

// `lines` + 1 random lines of `depth` moves from the start, and an alternative at every move of the
// main line: `depth` levels deep and about (lines + 2) * depth nodes. Built on the tree itself,
// since a record that size is read, not played.
void growDeepTree(ZnBan &game, RecordNotes &notes, int depth, int lines) {
    std::mt19937 random(5);
    RecordTree &tree = notes.tree;
    MoveSpec move;
    for (int line = 0; line <= lines; ++line) {
        ZnBan scratch;
        int at = RecordTree::START;
        for (int ply = 0; ply < depth && randomMove(scratch, random, move); ++ply) {
            const int known = tree.childWith(at, move);
            at = known >= 0 ? known : tree.addChild(at, move);
            ASSERT_EQ(playMove(scratch, move), "");
        }
    }
    for (int at : tree.mainLine()) {
        if (randomMove(game, random, move) && tree.childWith(tree.node(at).parent, move) < 0)
            tree.addChild(tree.node(at).parent, move);
        ASSERT_EQ(playMove(game, tree.node(at).move), "");
    }
}

TEST(DeepRecords, AThousandLevelsAndAHundredThousandNodesReadBack) {
    const struct {
        int depth, lines;
        RecordFormat format;
    } rows[] = {{1000, 0, RecordFormat::Kif}, {1000, 98, RecordFormat::Kif}, {1000, 98, RecordFormat::Jkf}};
    for (const auto &row : rows) {
        ZnBan game;
        RecordNotes written;
        growDeepTree(game, written, row.depth, row.lines);
        ASSERT_GE(written.tree.size(), row.depth * (row.lines + 1));
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(game, written, row.format, bytes).ok);
        ZnBan read;
        RecordNotes notes;
        const RecordResult result = readRecordBytes(read, notes, bytes, {}, row.format);
        ASSERT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(notes.tree.size(), written.tree.size());
        EXPECT_TRUE(sameTree(notes.tree, asWritten(written.tree, row.format)));
        EXPECT_EQ(read.history().size(), written.tree.mainLine().size());
    }
}

}  // namespace

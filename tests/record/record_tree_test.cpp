// Records with branches: seeded random trees through every format, bad JKF, and trees as deep and
// as large as study files get, read without recursion.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/seeded_games.h"
#include "common/testing.h"
#include "core/movegen.h"
#include "core/verify.h"
#include "record/formats.h"
#include "record/gamerecord.h"
#include "record/position.h"
#include "record/treegame.h"

namespace {

// A random move of the side to move that takes no king; false when there is none.
bool randomMove(ZnBan &game, std::mt19937 &random, Move &move) {
    std::vector<Move> moves;
    generateMoves(game, moves);
    std::erase_if(moves, [&game](const Move &each) {
        return game.pieceAt(each.to) != nullptr && game.pieceAt(each.to)->kind() == KING;
    });
    if (moves.empty()) return false;
    const Move &chosen = moves[random() % moves.size()];
    move = {chosen.from, chosen.to, chosen.promote, chosen.dropKind};
    return true;
}

// A record grown from seeded start `seed` by moves at random cursors, with comments, times and
// end words scattered over it.
struct RandomTree {
    RandomTree(unsigned seed, int moves) {
        std::mt19937 random(seed);
        EXPECT_EQ(buildGame(game, seededStart(seed)), "");
        record.reset();
        Move move;
        for (int made = 0; made < moves; ++made) {
            if (random() % 4 == 0) record.goTo(static_cast<int>(random() % (record.length() + 1u)));
            if (!randomMove(game, random, move)) continue;
            EXPECT_EQ(record.play(move), "");
            if (random() % 5 == 0) record.setComments({"手" + std::to_string(made), "二行目"});
            record.notes().tree.node(record.cursorNode()).ms =
                random() % 3 == 0 ? -1 : std::int64_t(random() % 600) * 1000;
        }
        record.goToStart();
        record.setComments({"開始"});
        RecordTree &tree = record.notes().tree;
        const char *const ends[] = {"",         "投了",     "中断",     "千日手",  "詰み",
                                    "切れ負け", "反則勝ち", "引き分け", "最大手数"};
        for (int id = 0; id < tree.size(); ++id) {
            RecordNode &node = tree.node(id);
            // Now and then an end word beside the moves: the line ends there, or a variation does.
            if (!node.children.empty() && random() % 6 != 0) continue;
            if (!node.children.empty()) node.endFirst = random() % 2 == 0;
            node.endWord = ends[1 + random() % (std::size(ends) - 1)];
            if (node.children.empty() && random() % 8 == 0) node.endWord.clear();
            if (node.endWord.empty()) continue;
            node.endMs = std::int64_t(random() % 90) * 1000;
            if (random() % 2 == 0) node.endComments = {"終局" + std::to_string(id)};
        }
        record.reset(record.notes());
        record.notes().setHeader("棋戦", "分岐杯");
    }
    ZnBan game;
    GameRecord record{game};
};

// The tree as a format that drops part of the times must read it back.
RecordTree asWritten(RecordTree tree, RecordFormat format) {
    for (int id = 0; format != RecordFormat::Jkf && id < tree.size(); ++id) {
        RecordNode &node = tree.node(id);
        if (id != RecordTree::START)
            node.ms = format == RecordFormat::Ki2 ? -1 : std::max<std::int64_t>(0, node.ms);
        // KIF writes an end word with its own time, unknown or not; KI2 has no times.
        node.endMs =
            format == RecordFormat::Kif && !node.endWord.empty() ? std::max<std::int64_t>(0, node.endMs) : -1;
        if (node.endWord.empty()) node.endComments.clear();
    }
    return tree;
}

// Written from a cursor in the last branch, a tree comes back whole from the formats that hold
// branches, and as its main line from the others, which count the branches they leave out.
TEST(TreeRoundTrip, SeededTreesComeBackWithTheirBranchesCommentsAndMainLine) {
    const RecordFormat formats[] = {RecordFormat::Kif, RecordFormat::Ki2, RecordFormat::Jkf,
                                    RecordFormat::Csa, RecordFormat::Usi, RecordFormat::Ngr};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        RandomTree original(seed, 60 + static_cast<int>(seed) * 7);
        const RecordTree &tree = original.record.tree();
        ASSERT_GT(tree.branchCount(), 0);
        ASSERT_TRUE(original.record.goToStart());
        ASSERT_TRUE(original.record.choose(tree.node(RecordTree::START).children.size() - 1));
        original.record.goTo(original.record.length() / 2);
        for (RecordFormat format : formats) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", format " + std::to_string(int(format)));
            const bool branches = holdsBranches(format);
            EXPECT_EQ(branchesLeftOut(original.record.notes(), format), branches ? 0 : tree.branchCount());
            std::string bytes, again;
            ASSERT_TRUE(writeRecordBytes(original.game, original.record.notes(), format, bytes).ok);
            ZnBan game;
            RecordNotes notes;
            const RecordResult read = readRecordBytes(game, notes, bytes, {}, format);
            ASSERT_TRUE(read.ok) << read.reason << "\n" << bytes;
            EXPECT_EQ(findInconsistency(game), "");
            // The game read holds the main line.
            const std::vector<int> main = tree.mainLine();
            ASSERT_EQ(game.history().size(), main.size());
            for (std::size_t i = 0; i < main.size(); ++i)
                ASSERT_TRUE(moveOf(game.history()[i]) == tree.node(main[i]).move) << i;
            if (!branches) continue;
            EXPECT_TRUE(sameTree(notes.tree, asWritten(tree, format))) << bytes;
            EXPECT_EQ(notes.header("棋戦"), "分岐杯");
            EXPECT_EQ(notes.endWord, tree.node(main.back()).endWord);
            ASSERT_TRUE(writeRecordBytes(game, notes, format, again).ok);
            EXPECT_EQ(again, bytes);
        }
        if (HasFailure()) return;
    }
}

// A JKF move element from square `from` to `to` (file and rank as two digits), with `more` fields.
std::string jkfMove(int from, int to, const char *piece, const std::string &more = "") {
    return R"({"move":{"from":{"x":)" + std::to_string(from / 10) + R"(,"y":)" + std::to_string(from % 10) +
           R"(},"to":{"x":)" + std::to_string(to / 10) + R"(,"y":)" + std::to_string(to % 10) +
           R"(},"piece":")" + piece + "\"}" + more + "}";
}

TEST(JkfBadInput, IsRefusedWithItsPathAndReasonAndTheGameKept) {
    const std::string p76 = jkfMove(77, 76, "FU"), start = R"({"moves":[{},)" + p76 + ",";
    const struct {
        std::string text;
        const char *reason;  // a part of the reason
    } rows[] = {
        {R"({"moves": [)", "JSON として読めません"},
        {R"({"initial": {"preset": "KY_L"}})", "initial.preset: 知らない手合割「KY_L」"},
        {R"({"moves":[{"forks":[[)" + p76 + "]]}]}", "moves[0]: 開始局面"},
        {start + R"({"special":"TORYO","forks":[[]]}]})", "moves[2].forks[0]: 手順の配列ではありません"},
        {start + R"({"special":"TORYO","move":{}}]})", "moves[2]: 終局に指し手があります"},
        {start + R"({"special":"TORYO","forks":[[{"special":"CHUDAN"}]]}]})",
         "moves[2].forks[0][0]: 同じ局面に終局が二つあります"},
        {start + R"({"special":"DRAW"}]})", "知らない終局「DRAW」"},
        {start + jkfMove(33, 34, "FU", R"(,"forks":[5])") + "]}",
         "moves[2].forks[0]: 手順の配列ではありません"},
        {start + jkfMove(33, 34, "FU", R"(,"forks":[[)" + jkfMove(76, 75, "FU") + "]]") + "]}",
         "moves[2].forks[0][0].move: 手番の側の駒ではありません"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        ZnBan game;
        ASSERT_EQ(playMove(game, {static_cast<Square>(squareAt(6, 1)), static_cast<Square>(squareAt(5, 1))}),
                  "");
        RecordNotes notes;
        notes.setHeader("棋戦", "読み込み前");
        const std::string before = positionKey(game);
        const RecordResult result = readRecordBytes(game, notes, row.text, "bad.jkf");
        EXPECT_NE(result.reason.find(row.reason), std::string::npos) << result.reason;
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(positionKey(game), before);
        EXPECT_EQ(notes.header("棋戦"), "読み込み前");
    }
}

// `lines` + 1 random lines of `depth` moves from the start, and an alternative at every move of the
// main line: `depth` levels deep and about (lines + 2) * depth nodes, built on the tree itself.
void growDeepTree(ZnBan &game, RecordTree &tree, int depth, int lines) {
    std::mt19937 random(5);
    Move move;
    for (int line = 0; line <= lines; ++line) {
        ZnBan scratch;
        for (int ply = 0, at = RecordTree::START; ply < depth && randomMove(scratch, random, move); ++ply) {
            at = tree.childWith(at, move) >= 0 ? tree.childWith(at, move) : tree.addChild(at, move);
            ASSERT_EQ(playMove(scratch, move), "");
        }
    }
    for (int at : tree.mainLine()) {
        if (randomMove(game, random, move) && tree.childWith(tree.node(at).parent, move) < 0)
            tree.addChild(tree.node(at).parent, move);
        ASSERT_EQ(playMove(game, tree.node(at).move), "");
    }
}

// Trees as deep as study files get go through every writer and reader in space linear in their
// size: a thousand levels of a hundred thousand nodes, and 10,000 forks each inside the one before,
// whose JKF the writer once indented by its depth (15.8 GB). Every text stays within a fixed number
// of bytes a node, and every reader gives the tree back.
TEST(DeepRecords, WideAndDeepTreesGoThroughEveryFormatInLinearSpace) {
    ZnBan game;
    RecordNotes wide, staircase;
    growDeepTree(game, wide.tree, 1000, 99);
    ASSERT_GE(wide.tree.size(), 100000);
    staircase.tree = staircaseTree(3, 10000);
    ASSERT_EQ(staircase.tree.branchCount(), 9999);
    game.setReplaying(true);
    while (game.moveCount() > 0) ASSERT_TRUE(game.undoMove());
    game.truncateHistory();
    game.setReplaying(false);
    for (const RecordNotes *written : {&wide, &staircase}) {
        const std::size_t nodes = static_cast<std::size_t>(written->tree.size());
        for (RecordFormat format : {RecordFormat::Kif, RecordFormat::Ki2, RecordFormat::Jkf,
                                    RecordFormat::Csa, RecordFormat::Usi}) {
            SCOPED_TRACE(std::to_string(nodes) + " nodes, format " + std::to_string(int(format)));
            ZnBan read;
            RecordNotes notes;
            std::string bytes;
            ASSERT_TRUE(writeRecordBytes(game, *written, format, bytes).ok);
            EXPECT_LE(bytes.size(), 160 * nodes + 4096);
            const RecordResult result = readRecordBytes(read, notes, bytes, {}, format);
            ASSERT_TRUE(result.ok) << result.reason;
            EXPECT_EQ(read.history().size(), written->tree.mainLine().size());
            if (holdsBranches(format)) {
                EXPECT_TRUE(sameTree(notes.tree, asWritten(written->tree, format)));
            }
        }
    }
}

TEST(TreeTimes, EachSideRunsItsOwnTotalAlongEveryLine) {
    // Rows: parent (index into the nodes made so far, -1 for the start), seconds, expected total.
    struct Row {
        int parent, seconds;
        long long total;
    };
    const Row rows[] = {
        {-1, 10, 10}, {0, 20, 20}, {1, 5, 15}, {2, 7, 27},  // the main line
        {0, 3, 3},    {4, -1, 10},                          // a fork at move 2, one time unknown
        {-1, 4, 4},   {6, 6, 6},   {7, 1, 5},               // another first move
    };
    RecordTree tree;
    std::vector<int> ids;
    for (const Row &row : rows) {
        const int id = tree.addChild(row.parent < 0 ? RecordTree::START : ids[std::size_t(row.parent)], {});
        tree.node(id).ms = row.seconds < 0 ? -1 : row.seconds * 1000;
        ids.push_back(id);
    }
    const std::vector<long long> totals = runningTotals(tree);
    ASSERT_EQ(totals.size(), std::size_t(tree.size()));
    EXPECT_EQ(totals[RecordTree::START], 0);
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(totals[std::size_t(ids[i])], rows[i].total * 1000) << i;
}

TEST(TreeTimes, AWriterWalksTheCarriedTreeOrTheGamesOwnLine) {
    ZnBan game;
    ASSERT_EQ(playMove(game, {Square(squareAt(6, 6)), Square(squareAt(5, 6))}), "");
    RecordNotes notes;
    notes.moveComments = {{"一手目"}};
    RecordTree single;
    const RecordTree &line = treeOf(game, notes, single);
    EXPECT_EQ(&line, &single);
    ASSERT_EQ(line.size(), 2);
    EXPECT_EQ(line.node(1).comments, std::vector<std::string>{"一手目"});
    notes.tree = line;
    notes.tree.addChild(RecordTree::START, {Square(squareAt(6, 2)), Square(squareAt(5, 2))});
    RecordTree unused;
    EXPECT_EQ(&treeOf(game, notes, unused), &notes.tree);
    EXPECT_EQ(unused.size(), 1);
}

}  // namespace

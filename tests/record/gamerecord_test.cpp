// Walking a record to and fro, moves made at the cursor growing branches, choosing, promoting and
// deleting branches, and the take-back that only forgets at the end of a line.

#include "record/gamerecord.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/testing.h"
#include "record/kif.h"
#include "record/record.h"

namespace {

std::string saved(ZnBan &game) {
    std::ostringstream out;
    const RecordResult result = saveRecord(game, out);
    EXPECT_TRUE(result.ok) << result.reason;
    return out.str();
}

// The comment the short line below gives move `move`.
std::string commentOf(std::size_t move) {
    std::string text = "c";
    text += std::to_string(move);
    return text;
}

// A generated move as a record names it; a board move keeps whatever drop kind the generator left,
// which the record must ignore.
// What a position must look like, taken while the line was first played from the start.
struct Expected {
    std::string key;
    std::vector<int> counts;
};

Expected expectedOf(const ZnBan &game) { return {positionKey(game), attackCounts(game)}; }

// A random line of `plies` moves played from the start, with the position after every move.
std::vector<Expected> playRandomLine(ZnBan &game, std::mt19937 &random, int plies) {
    std::vector<Expected> line{expectedOf(game)};
    for (int ply = 0; ply < plies && playRandomMove(game, random); ++ply) line.push_back(expectedOf(game));
    return line;
}

// The game must be consistent, stand at the cursor of the line and show what playing the line
// from the start to that move showed.
void expectAtCursor(const GameRecord &record, const std::vector<Expected> &line, const std::string &step) {
    const ZnBan &game = record.game();
    ASSERT_EQ(findInconsistency(game), "") << step;
    ASSERT_EQ(static_cast<std::size_t>(record.length()) + 1, line.size()) << step;
    ASSERT_GE(record.cursor(), 0) << step;
    ASSERT_LE(record.cursor(), record.length()) << step;
    const Expected &expected = line[static_cast<std::size_t>(record.cursor())];
    EXPECT_EQ(positionKey(game), expected.key) << step;
    EXPECT_EQ(attackCounts(game), expected.counts) << step;
    EXPECT_EQ(game.replaying(), !record.atEnd()) << step;
}

class RandomWalk : public ::testing::TestWithParam<unsigned> {};

// Each step goes somewhere random; the game must agree with a from-scratch recomputation and with
// the position the line showed when it was played, and the line must stay whole.
TEST_P(RandomWalk, EveryStepShowsThePositionOfThatMoveAndKeepsTheLine) {
    std::mt19937 random(GetParam());
    ZnBan game;
    const std::vector<Expected> line = playRandomLine(game, random, 30 + static_cast<int>(random() % 120));
    const std::string whole = saved(game);
    GameRecord record(game);
    ASSERT_TRUE(record.atEnd());

    for (int step = 0; step < 300; ++step) {
        const int length = record.length();
        const int before = record.cursor();
        std::string what;
        switch (random() % 6) {
            case 0:
                what = "start";
                EXPECT_TRUE(record.goToStart());
                EXPECT_EQ(record.cursor(), 0);
                break;
            case 1:
                what = "back";
                EXPECT_EQ(record.goBack(), before > 0);
                EXPECT_EQ(record.cursor(), before > 0 ? before - 1 : 0);
                break;
            case 2:
                what = "forward";
                EXPECT_EQ(record.goForward(), before < length);
                EXPECT_EQ(record.cursor(), before < length ? before + 1 : length);
                break;
            case 3:
                what = "end";
                EXPECT_TRUE(record.goToEnd());
                EXPECT_EQ(record.cursor(), length);
                break;
            default: {
                // Also numbers past either end, which must change nothing.
                const int target = static_cast<int>(random() % static_cast<unsigned>(length + 3)) - 1;
                what = "jump to " + std::to_string(target);
                EXPECT_EQ(record.goTo(target), target >= 0 && target <= length);
                EXPECT_EQ(record.cursor(), target >= 0 && target <= length ? target : before);
            }
        }
        const std::string where = "seed " + std::to_string(GetParam()) + ", step " + std::to_string(step) +
                                  " (" + what + " from " + std::to_string(before) + ")";
        expectAtCursor(record, line, where);
        if (step % 50 == 0) {
            // Saving anywhere writes the whole line and leaves the cursor where it stood.
            EXPECT_EQ(saved(game), whole) << where;
            expectAtCursor(record, line, where + ", after saving");
        }
        if (::testing::Test::HasFailure()) return;
    }
    ASSERT_TRUE(record.goToEnd());
    EXPECT_FALSE(game.replaying());
    EXPECT_EQ(saved(game), whole);
    // At the end the game is again in normal play: an undo takes back and forgets the last move.
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(record.length() + 1, static_cast<int>(line.size()) - 1);
}

// The game must hold the record's current path, and stand where replaying that path from the
// start up to the cursor stands, attack maps included.
void expectOnPath(const GameRecord &record, const std::string &step) {
    const ZnBan &game = record.game();
    const RecordTree &tree = record.tree();
    ASSERT_EQ(findInconsistency(game), "") << step;
    ASSERT_EQ(tree.findFault(), "") << step;
    ASSERT_EQ(game.history().size() + 1, record.path().size()) << step;
    ZnBan replayed;
    for (std::size_t move = 0; move < game.history().size(); ++move) {
        const RecordNode &node = tree.node(record.path()[move + 1]);
        ASSERT_EQ(node.parent, record.path()[move]) << step;
        ASSERT_TRUE(moveOf(game.history()[move]) == node.move) << step << ", move " << move + 1;
        ASSERT_TRUE(static_cast<int>(move) >= record.cursor() || playMove(replayed, node.move).empty())
            << step;
    }
    // The path ends where the tree does, or on an end word chosen beside moves.
    const int last = record.path().back();
    EXPECT_TRUE(tree.node(last).children.empty() || tree.answer(last, tree.node(last).chosen) < 0) << step;
    EXPECT_EQ(positionKey(game), positionKey(replayed)) << step;
    EXPECT_EQ(attackCounts(game), attackCounts(replayed)) << step;
    EXPECT_EQ(game.replaying(), !record.atEnd()) << step;
}

// Random steps over a growing tree: walking, moves at any cursor (known answers and new ones),
// choosing, promoting, deleting and taking back. After every step the game must agree with a
// from-scratch recomputation and with replaying the current path, and no node may go unasked.
TEST_P(RandomWalk, StepsOverARandomTreeKeepTheGameOnTheCurrentPath) {
    std::mt19937 random(GetParam() + 1000);
    ZnBan game;
    playRandomLine(game, random, 20 + static_cast<int>(random() % 40));
    GameRecord record(game);
    int nodes = record.tree().size();
    std::vector<Move> legal;
    for (int step = 0; step < 400; ++step) {
        const int before = record.cursor();
        const std::vector<int> answers = record.tree().node(record.cursorNode()).children;
        const unsigned what = random() % 7;
        switch (what) {
            case 0: ASSERT_TRUE(record.goTo(static_cast<int>(random() % (record.length() + 1u)))); break;
            case 1: EXPECT_EQ(record.goBack(), before > 0); break;
            default: break;
        }
        if (what == 2) {
            legal.clear();
            generateMoves(game, legal);
            Move move = legal.empty() ? Move{} : legal[random() % legal.size()];
            if (!answers.empty() && (legal.empty() || random() % 2 == 0))
                move = record.tree().node(answers[random() % answers.size()]).move;
            if (legal.empty() && answers.empty()) continue;
            nodes += record.tree().childWith(record.cursorNode(), move) < 0 ? 1 : 0;
            ASSERT_EQ(record.play(move), "");
            EXPECT_EQ(record.cursor(), before + 1);
        }
        if (what == 3) {
            const std::size_t index = random() % (answers.size() + 1);
            EXPECT_EQ(record.choose(index), index < answers.size());
            EXPECT_TRUE(index >= answers.size() || record.chosenAlternative() == index);
        }
        if (what == 4) {
            record.promoteToMainLine();
            EXPECT_EQ(record.tree().mainLine(),
                      std::vector<int>(record.path().begin() + 1, record.path().end()));
        }
        if (what == 5 && random() % 4 == 0) {
            const int expected = record.movesFromCursor();
            EXPECT_EQ(record.removeFromCursor(), expected);
            nodes -= expected;
            EXPECT_EQ(record.cursor(), std::max(0, before - 1));
        }
        if (what == 6) {
            nodes -= before > 0 && record.atEnd() ? 1 : 0;
            EXPECT_EQ(record.takeBack(), before > 0);
            EXPECT_EQ(record.cursor(), std::max(0, before - 1));
        }
        const std::string where = "seed " + std::to_string(GetParam()) + ", step " + std::to_string(step);
        EXPECT_EQ(record.tree().size(), nodes) << where;
        expectOnPath(record, where);
        if (::testing::Test::HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWalk, ::testing::Values(1u, 7u, 42u, 2024u, 31337u));

// A short line with a comment and a time on every move and an end word, and the position after
// each move.
struct ShortLine {
    ShortLine() {
        const Move moves[] = {{sq(7, 7), sq(7, 6)},
                              {sq(3, 3), sq(3, 4)},
                              {sq(8, 8), sq(2, 2), true},
                              {sq(3, 1), sq(2, 2)},
                              {IN_HAND, sq(5, 5), false, BISHOP}};
        for (const Move &move : moves) {
            EXPECT_EQ(playMove(game, move), "");
            positions.push_back(positionKey(game));
        }
        RecordNotes notes;
        notes.startComments = {"序"};
        for (int move = 1; move <= 5; ++move) {
            notes.commentsAfter(static_cast<std::size_t>(move))
                .push_back(commentOf(static_cast<std::size_t>(move)));
            notes.moveMs.push_back(move);
        }
        notes.endWord = "投了";
        record.reset(notes);
    }

    // The first comment line of every move that has comments.
    std::vector<std::string> comments() const {
        std::vector<std::string> all;
        for (const auto &lines : record.notes().moveComments) all.push_back(lines.empty() ? "" : lines[0]);
        return all;
    }

    ZnBan game;
    GameRecord record{game};
    std::vector<std::string> positions{positionKey(ZnBan())};
};

class ShortLineTest : public ::testing::Test, protected ShortLine {};

TEST_F(ShortLineTest, MoveListNamesEveryMoveAndTheEndAndKeepsTheCursor) {
    ASSERT_TRUE(record.goTo(2));
    const std::string before = positionKey(game);
    const std::vector<std::string> expected = {"開始局面",        "1 ▲７六歩(77)", "2 △３四歩(33)",
                                               "3 ▲２二角成(88)", "4 △同　銀(31)", "5 ▲５五角打",
                                               "6 投了"};
    EXPECT_EQ(record.moveList(), expected);
    EXPECT_EQ(record.cursor(), 2);
    EXPECT_TRUE(game.replaying());
    EXPECT_EQ(positionKey(game), before);
}

// Each operation on a fresh short line, some after a branch at move 2 (branched): its result, then the
// cursor, path length, nodes, branches and main-line length, and whether the main line kept its notes.
TEST(GameRecordOperations, ChangeOnlyWhatTheyName) {
    // EndBeside plays a move after the end word, steps back and chooses the end word, still the first
    // answer; EndPromoted instead makes the move the main line, the end word then standing beside it.
    enum Op { Play, Promote, Remove, TakeBack, ChooseMain, EndBeside, EndPromoted };
    const Move edge = {sq(8, 3), sq(8, 4)};
    const struct {
        const char *what;
        bool branched;
        int cursor;
        Op op;
        Move move;
        const char *reason;
        int result, cursorAfter, length, nodes, branches, mainLength;
        bool mainKept;
    } rows[] = {
        {"the recorded move", false, 2, Play, {sq(8, 8), sq(2, 2), true}, "", 1, 3, 5, 6, 0, 5, true},
        {"the same move unpromoted", false, 2, Play, {sq(8, 8), sq(2, 2), false}, "", 1, 3, 3, 7, 1, 5, true},
        {"another move", false, 1, Play, edge, "", 1, 2, 2, 7, 1, 5, true},
        {"another drop", false, 4, Play, {IN_HAND, sq(4, 4), false, BISHOP}, "", 1, 5, 5, 7, 1, 5, true},
        {"a move at the start", false, 0, Play, {sq(2, 7), sq(2, 6)}, "", 1, 1, 1, 7, 1, 5, true},
        // The line ended there: the move becomes a variation, the main line keeps its end word.
        {"a move at the end", false, 5, Play, {sq(4, 1), sq(3, 2)}, "", 1, 6, 6, 7, 0, 5, true},
        {"the branch's move again", true, 1, Play, edge, "", 1, 2, 2, 7, 1, 5, true},
        {"an illegal move",
         false,
         1,
         Play,
         {sq(8, 3), sq(8, 5)},
         "その駒はそこへ動けません",
         1,
         1,
         5,
         6,
         0,
         5,
         true},
        {"promoting a branch", true, 2, Promote, {}, "", 1, 2, 2, 7, 1, 2, false},
        {"promoting the main line", false, 3, Promote, {}, "", 0, 3, 5, 6, 0, 5, true},
        {"choosing the main answer", true, 1, ChooseMain, {}, "", 1, 1, 5, 7, 1, 5, true},
        {"removing from move 3", false, 3, Remove, {}, "", 3, 2, 2, 3, 0, 2, false},
        {"removing a branch", true, 2, Remove, {}, "", 1, 1, 5, 6, 0, 5, true},
        {"removing at the start", false, 0, Remove, {}, "", 0, 0, 5, 6, 0, 5, true},
        {"taking back at the end", false, 5, TakeBack, {}, "", 1, 4, 4, 5, 0, 4, false},
        {"taking back earlier", false, 3, TakeBack, {}, "", 1, 2, 5, 6, 0, 5, true},
        {"taking back a branch's end", true, 2, TakeBack, {}, "", 1, 1, 5, 6, 0, 5, true},
        {"choosing the end word before a move", false, 5, EndBeside, {}, "", 1, 5, 5, 7, 0, 5, true},
        {"promoting the move made after the end", false, 5, EndPromoted, {}, "", 1, 5, 6, 7, 0, 6, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ShortLine fresh;
        GameRecord &record = fresh.record;
        ASSERT_TRUE(!row.branched || (record.goTo(1) && record.play(edge).empty()));
        ASSERT_TRUE(record.goTo(row.cursor));
        const std::string before = positionKey(fresh.game);
        int result = 1;
        switch (row.op) {
            case Play: EXPECT_EQ(record.play(row.move), row.reason); break;
            case Promote: result = record.promoteToMainLine() ? 1 : 0; break;
            case Remove: result = record.removeFromCursor(); break;
            case TakeBack: result = record.takeBack() ? 1 : 0; break;
            case ChooseMain: result = record.choose(0) ? 1 : 0; break;
            case EndBeside:
            case EndPromoted:
                EXPECT_EQ(record.play({sq(4, 1), sq(3, 2)}), "");
                EXPECT_EQ(record.alternatives(), (std::vector<std::string>{}));
                ASSERT_TRUE(record.goTo(5));
                EXPECT_EQ(record.alternatives(), (std::vector<std::string>{"投了", "△３二金(41)"}));
                EXPECT_EQ(record.chosenAlternative(), 1u);
                if (row.op == EndBeside)
                    result = record.choose(0) && record.moveList().back() == "6 投了+" ? 1 : 0;
                else
                    result = record.promoteToMainLine() ? 1 : 0;
                break;
        }
        // A refused move and a choice leave the board where it stood.
        EXPECT_TRUE((*row.reason == '\0' && row.op < ChooseMain) || positionKey(fresh.game) == before);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ((std::vector<int>{record.cursor(), record.length(), record.tree().size(),
                                    record.tree().branchCount(), int(record.tree().mainLine().size())}),
                  (std::vector<int>{row.cursorAfter, row.length, row.nodes, row.branches, row.mainLength}));
        EXPECT_EQ(record.notes().startComments, std::vector<std::string>{"序"});
        EXPECT_EQ(record.notes().endWord, row.mainKept ? "投了" : "");
        EXPECT_TRUE(!row.mainKept ||
                    fresh.comments() == (std::vector<std::string>{"c1", "c2", "c3", "c4", "c5"}));
        expectOnPath(record, row.what);
    }
}

// A move made after a finished game was saved as the main line, the end word pushed into a
// variation and the closing sentence lost.
TEST_F(ShortLineTest, AMoveAfterTheEndIsSavedAsAVariationBesideTheEnd) {
    ASSERT_EQ(record.play({sq(4, 1), sq(3, 2)}), "");
    const std::string kif = writeKif(game, record.notes());
    const auto at = [&kif](const char *text) { return kif.find(text); };
    ASSERT_NE(at("変化：6手"), std::string::npos) << kif;
    EXPECT_LT(at("   6 投了"), at("まで5手で先手の勝ち")) << kif;
    EXPECT_LT(at("まで5手で先手の勝ち"), at("変化：6手")) << kif;
    EXPECT_LT(at("変化：6手"), at("   6 ３二金(41)")) << kif;
    ZnBan read;
    RecordNotes readNotes;
    ASSERT_TRUE(readKif(read, readNotes, kif).ok);
    EXPECT_EQ(readNotes.endWord, "投了");
    const std::vector<int> main = readNotes.tree.mainLine();
    ASSERT_EQ(main.size(), 5u);
    EXPECT_EQ(readNotes.tree.node(main.back()).children.size(), 1u) << "the move after the end";
}

TEST_F(ShortLineTest, TakeBackAtAnEarlierCursorOnlyStepsBack) {
    ASSERT_TRUE(record.goTo(3));
    ASSERT_TRUE(record.takeBack());
    EXPECT_EQ(record.cursor(), 2);
    EXPECT_EQ(record.length(), 5);
    EXPECT_TRUE(game.replaying());
    EXPECT_EQ(positionKey(game), positions[2]);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(comments(), (std::vector<std::string>{"c1", "c2", "c3", "c4", "c5"}));
    EXPECT_EQ(record.notes().endWord, "投了");
}

TEST_F(ShortLineTest, TakeBackAtTheEndTakesBackOneMoveLikeUndo) {
    ZnBan plain;
    for (const MoveHistory &move : game.history()) ASSERT_EQ(playMove(plain, moveOf(move)), "");
    ASSERT_TRUE(plain.undoMove());
    ASSERT_TRUE(record.takeBack());
    EXPECT_EQ(positionKey(game), positionKey(plain));
    EXPECT_EQ(attackCounts(game), attackCounts(plain));
    EXPECT_EQ(record.length(), 4);
    EXPECT_EQ(comments(), (std::vector<std::string>{"c1", "c2", "c3", "c4"}));
    EXPECT_EQ(record.notes().endWord, "");
}

TEST_F(ShortLineTest, TakeBackAtTheStartChangesNothing) {
    ASSERT_TRUE(record.goToStart());
    EXPECT_FALSE(record.takeBack());
    EXPECT_EQ(record.length(), 5);
    EXPECT_EQ(record.notes().endWord, "投了");
    EXPECT_TRUE(record.goToEnd());
    EXPECT_EQ(positionKey(game), positions[5]);
}

TEST(GameRecord, NewGameInReplayModeReturnsToNormalPlay) {
    ZnBan game;
    ASSERT_EQ(playMove(game, {sq(7, 7), sq(7, 6)}), "");
    GameRecord record(game);
    ASSERT_TRUE(record.goToStart());
    ASSERT_TRUE(game.replaying());
    game.newGame();
    record.reset();
    EXPECT_FALSE(game.replaying());
    ASSERT_EQ(record.play({sq(7, 7), sq(7, 6)}), "");
    EXPECT_EQ(record.length(), 1);
}

// The record refused what the game allows: a king taken in play may be dropped again.
TEST(GameRecordPlay, ACapturedKingMayBeDroppedAsTheGameAllows) {
    ZnBan game;
    setUpPosition(game, {{KING, sq(5, 9), SENTE}, {KING, IN_HAND, SENTE}, {PAWN, sq(1, 3), GOTE}});
    GameRecord record(game);
    EXPECT_EQ(record.play({IN_HAND, sq(5, 5), false, KING}), "");
    EXPECT_EQ(record.length(), 1);
}

}  // namespace

// Walking a recorded line to and fro, moves made at the cursor and the destructive take-back.

#include "record/gamerecord.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/testing.h"
#include "record/record.h"

namespace {

Square sq(int file, int rank) { return static_cast<Square>(squareAt(rank - 1, file - 1)); }

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
MoveSpec specOfMove(const Move &move) { return {move.from, move.to, move.promote, move.dropKind}; }

bool sameMove(MoveSpec a, MoveSpec b) {
    if (a.from != IN_HAND) a.dropKind = b.dropKind;
    return a == b;
}

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

// Moves made at random cursors, some repeating the recorded move and some not; the expected line
// is cut and extended the same way.
TEST_P(RandomWalk, MovesAtTheCursorKeepOrReplaceTheRestOfTheLine) {
    std::mt19937 random(GetParam() + 1000);
    ZnBan game;
    std::vector<Expected> line = playRandomLine(game, random, 40 + static_cast<int>(random() % 60));
    GameRecord record(game);
    std::vector<Move> legal;
    for (int step = 0; step < 120; ++step) {
        ASSERT_TRUE(record.goTo(static_cast<int>(random() % static_cast<unsigned>(record.length() + 1))));
        const auto cursor = static_cast<std::size_t>(record.cursor());
        const int length = record.length();
        MoveSpec move;
        if (!record.atEnd() && random() % 2 == 0) {
            move = specOf(game.history()[cursor]);
        } else {
            legal.clear();
            generateMoves(game, legal);
            if (legal.empty()) continue;
            move = specOfMove(legal[random() % legal.size()]);
        }
        const bool recorded = !record.atEnd() && sameMove(move, specOf(game.history()[cursor]));
        ASSERT_EQ(record.play(move), "");
        if (recorded) {
            EXPECT_EQ(record.length(), length) << "step " << step;
        } else {
            EXPECT_EQ(record.length(), static_cast<int>(cursor) + 1) << "step " << step;
            EXPECT_FALSE(game.replaying());
            line.resize(cursor + 1);
            line.push_back(expectedOf(game));
        }
        ASSERT_EQ(record.cursor(), static_cast<int>(cursor) + 1);
        expectAtCursor(record, line, "step " + std::to_string(step));
        if (::testing::Test::HasFailure()) return;
    }
    // The line as it now stands is what a save writes, and what the game replays from the start.
    ASSERT_TRUE(record.goToStart());
    for (std::size_t move = 1; move < line.size(); ++move) {
        ASSERT_TRUE(record.goForward());
        ASSERT_EQ(positionKey(game), line[move].key) << move;
    }
    EXPECT_FALSE(record.goForward());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWalk, ::testing::Values(1u, 7u, 42u, 2024u, 31337u));

// A short line with a comment and a time on every move and an end word, and the position after
// each move.
struct ShortLine {
    ShortLine() {
        const MoveSpec moves[] = {{sq(7, 7), sq(7, 6)},
                                  {sq(3, 3), sq(3, 4)},
                                  {sq(8, 8), sq(2, 2), true},
                                  {sq(3, 1), sq(2, 2)},
                                  {IN_HAND, sq(5, 5), false, BISHOP}};
        for (const MoveSpec &move : moves) {
            EXPECT_EQ(playMove(game, move), "");
            positions.push_back(positionKey(game));
        }
        RecordNotes notes;
        notes.startComments = {"序"};
        for (int move = 1; move <= 5; ++move) {
            notes.commentsAfter(static_cast<std::size_t>(move))
                .push_back(commentOf(static_cast<std::size_t>(move)));
            notes.moveSeconds.push_back(move);
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

TEST(GameRecordPlay, MovesAtAnEarlierCursor) {
    const struct {
        const char *what;
        int cursor;
        MoveSpec move;
        const char *reason;  // empty when the move is made
        int length;          // of the line afterwards
        bool endWordKept;
    } rows[] = {
        {"the recorded move only advances", 2, {sq(8, 8), sq(2, 2), true}, "", 5, true},
        {"the recorded drop only advances", 4, {IN_HAND, sq(5, 5), false, BISHOP}, "", 5, true},
        {"the same move unpromoted is another move", 2, {sq(8, 8), sq(2, 2), false}, "", 3, false},
        {"another move replaces the rest", 1, {sq(8, 3), sq(8, 4)}, "", 2, false},
        {"another drop replaces the rest", 4, {IN_HAND, sq(4, 4), false, BISHOP}, "", 5, false},
        {"a move at the start replaces the whole line", 0, {sq(2, 7), sq(2, 6)}, "", 1, false},
        {"a move at the end extends the line", 5, {sq(4, 1), sq(3, 2)}, "", 6, false},
        {"an illegal move changes nothing", 1, {sq(8, 3), sq(8, 5)}, "その駒はそこへ動けません", 5, true},
        {"the wrong side's piece changes nothing",
         1,
         {sq(7, 6), sq(7, 5)},
         "手番の側の駒ではありません",
         5,
         true},
        {"a drop of a piece not held changes nothing",
         3,
         {IN_HAND, sq(5, 5), false, ROOK},
         "打つ駒を持っていません",
         5,
         true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ShortLine fresh;
        ZnBan &game = fresh.game;
        GameRecord &record = fresh.record;
        ASSERT_TRUE(record.goTo(row.cursor));
        const auto revision = record.revision();
        EXPECT_EQ(record.play(row.move), row.reason);
        EXPECT_EQ(record.length(), row.length);
        EXPECT_EQ(findInconsistency(game), "");
        EXPECT_EQ(record.notes().endWord.empty(), !row.endWordKept);
        if (*row.reason != '\0') {
            EXPECT_EQ(record.cursor(), row.cursor);
            EXPECT_EQ(positionKey(game), fresh.positions[static_cast<std::size_t>(row.cursor)]);
            EXPECT_EQ(record.revision(), revision);
            continue;
        }
        EXPECT_EQ(record.cursor(), row.cursor + 1);
        EXPECT_EQ(game.replaying(), !record.atEnd());
        const std::size_t kept =
            row.length == 5 && row.endWordKept ? 5 : static_cast<std::size_t>(row.cursor);
        // The comments of the moves kept stay; those of the moves discarded go.
        std::vector<std::string> expected;
        for (std::size_t move = 1; move <= kept; ++move)
            expected.push_back(commentOf(static_cast<std::size_t>(move)));
        EXPECT_EQ(fresh.comments(), expected);
        EXPECT_EQ(record.notes().startComments, std::vector<std::string>{"序"});
        EXPECT_EQ(record.notes().moveSeconds.size(), kept);
        if (row.endWordKept) {
            EXPECT_EQ(record.revision(), revision);
            EXPECT_EQ(positionKey(game), fresh.positions[static_cast<std::size_t>(row.cursor) + 1]);
        } else {
            EXPECT_NE(record.revision(), revision);
            EXPECT_EQ(specOf(game.history().back()), row.move);
        }
    }
}

TEST_F(ShortLineTest, TakeBackAtAnEarlierCursorDiscardsTheMoveBeforeItAndTheRest) {
    ASSERT_TRUE(record.goTo(3));
    ASSERT_TRUE(record.takeBack());
    EXPECT_EQ(record.cursor(), 2);
    EXPECT_EQ(record.length(), 2);
    EXPECT_FALSE(game.replaying());
    EXPECT_EQ(positionKey(game), positions[2]);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(comments(), (std::vector<std::string>{"c1", "c2"}));
    EXPECT_EQ(record.notes().endWord, "");
    // Now at the end, it is the plain take-back of one move.
    ASSERT_TRUE(record.takeBack());
    EXPECT_EQ(record.length(), 1);
    EXPECT_EQ(positionKey(game), positions[1]);
    EXPECT_EQ(comments(), (std::vector<std::string>{"c1"}));
}

TEST_F(ShortLineTest, TakeBackAtTheEndTakesBackOneMoveLikeUndo) {
    ZnBan plain;
    for (const MoveHistory &move : game.history()) ASSERT_EQ(playMove(plain, specOf(move)), "");
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

}  // namespace

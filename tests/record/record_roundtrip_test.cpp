// Saving and loading random games: reading a file back gives the same game and the same file, and
// a save that cannot reach the disk says so.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/testing.h"
#include "record/record.h"

namespace {

std::string saved(ZnBan &game) {
    std::ostringstream out;
    const RecordResult result = saveRecord(game, out);
    EXPECT_TRUE(result.ok) << result.reason;
    return out.str();
}

RecordResult loadText(ZnBan &game, const std::string &text) {
    std::istringstream in(text);
    return loadRecord(game, in);
}

// Random play with undos mixed in, so that the history holds captures, promotions and drops made
// after pieces went back and forth.
void playRandomGame(ZnBan &game, std::mt19937 &random, int steps) {
    for (int step = 0; step < steps; ++step) {
        if (game.moveCount() > 0 && random() % 6 == 0)
            ASSERT_TRUE(game.undoMove());
        else if (!playRandomMove(game, random))
            break;
    }
}

struct GameState {
    std::string key;
    std::vector<int> counts;
    std::size_t records;
    bool operator==(const GameState &) const = default;
};

GameState stateOf(const ZnBan &game) {
    return {positionKey(game), attackCounts(game), game.history().size()};
}

// Save, load into a game that holds something else, save again: the same bytes and the same game,
// and both games take back every move through the same positions down to the first.
void expectRoundTrip(ZnBan &game) {
    const GameState before = stateOf(game);
    const std::string first = saved(game);
    ASSERT_TRUE(stateOf(game) == before) << "saving changed the game";
    ASSERT_EQ(findInconsistency(game), "");

    ZnBan loaded;
    ASSERT_TRUE(loaded.play({60, 51, false}));
    const RecordResult result = loadText(loaded, first);
    ASSERT_TRUE(result.ok) << result.reason;
    ASSERT_EQ(findInconsistency(loaded), "");
    EXPECT_TRUE(stateOf(loaded) == before);
    EXPECT_EQ(loaded.turn(), game.turn());
    EXPECT_EQ(loaded.moveCount(), game.moveCount());
    EXPECT_EQ(saved(loaded), first);

    while (game.moveCount() > 0) {
        ASSERT_TRUE(game.undoMove());
        ASSERT_TRUE(loaded.undoMove());
        ASSERT_EQ(positionKey(loaded), positionKey(game)) << "after taking back to move " << game.moveCount();
    }
    EXPECT_FALSE(loaded.undoMove());
    EXPECT_EQ(attackCounts(loaded), attackCounts(game));
    EXPECT_EQ(findInconsistency(loaded), "");
}

class RecordRoundTrip : public ::testing::TestWithParam<unsigned> {};

}  // namespace

TEST_P(RecordRoundTrip, RandomGameFromTheStart) {
    std::mt19937 random(GetParam());
    ZnBan game;
    playRandomGame(game, random, 60 + static_cast<int>(GetParam() % 5) * 60);
    ASSERT_GT(game.moveCount(), 0);
    expectRoundTrip(game);
}

// A game that began from a loaded position, with promoted pieces on the board and pieces in hand,
// gote to move.
TEST_P(RecordRoundTrip, RandomGameFromALoadedPosition) {
    ZnBan game;
    ASSERT_TRUE(
        loadText(game, "P+59OU55UM13TO77GI39KE\nP-51OU28RY83NG22KA\nP+00FU00FU00HI00KI\nP-00KI00KY00FU\n-")
            .ok);
    std::mt19937 random(GetParam() * 7919u + 1u);
    playRandomGame(game, random, 150);
    ASSERT_GT(game.moveCount(), 0);
    expectRoundTrip(game);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RecordRoundTrip, ::testing::Range(1u, 21u));

// The saved moves of long random games really hold the kinds of records the reader must handle.
TEST(RecordRoundTripCoverage, SavedGamesHoldDropsPromotionsAndBothSigns) {
    std::string all;
    for (unsigned seed = 1; seed < 21; ++seed) {
        std::mt19937 random(seed);
        ZnBan game;
        playRandomGame(game, random, 60 + static_cast<int>(seed % 5) * 60);
        all += saved(game);
    }
    for (std::string_view sample : {"\r\n+00", "\r\n-00", "TO\r\n", "UM\r\n", "RY\r\n"})
        EXPECT_NE(all.find(sample), std::string::npos) << sample;
}

namespace {

// Takes `room` bytes, then refuses everything, like a disk that fills up.
class FillingBuffer : public std::streambuf {
public:
    explicit FillingBuffer(std::size_t room) : room_(room) {}
    std::string text;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (room_ == 0) return traits_type::eof();
        --room_;
        text += traits_type::to_char_type(c);
        return c;
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override {
        const auto taken = std::min(static_cast<std::size_t>(n), room_);
        text.append(s, taken);
        room_ -= taken;
        return static_cast<std::streamsize>(taken);
    }

private:
    std::size_t room_;
};

}  // namespace

// Every way a save can fail to reach the disk is reported, and the game is left as it was.
TEST(RecordSaveFailure, AFailingStreamIsReportedAndTheGameKept) {
    std::mt19937 random(99);
    ZnBan game;
    playRandomGame(game, random, 40);
    const GameState before = stateOf(game);
    const std::string whole = saved(game);

    std::ostringstream alreadyBad;
    alreadyBad.setstate(std::ios::badbit);
    FillingBuffer full(0), fillsUp(whole.size() / 2), exactlyEnough(whole.size());
    std::ostream toFull(&full), toFillsUp(&fillsUp), toExactlyEnough(&exactlyEnough);
    std::ofstream noDirectory("/nonexistent-directory/game.ngr", std::ios::binary);
    FillingBuffer fillsUpAndThrows(10);
    std::ostream throwing(&fillsUpAndThrows);
    throwing.exceptions(std::ios::badbit);

    const struct {
        const char *what;
        std::ostream &out;
    } failing[] = {{"bad before the save", alreadyBad},
                   {"nothing fits", toFull},
                   {"fills up half way", toFillsUp},
                   {"not created", noDirectory},
                   {"set to throw when it fills up", throwing}};
    for (const auto &row : failing) {
        const RecordResult result = saveRecord(game, row.out);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_NE(result.reason, "") << row.what;
        EXPECT_TRUE(stateOf(game) == before) << row.what;
        EXPECT_FALSE(game.replaying()) << row.what;
    }

    const RecordResult fits = saveRecord(game, toExactlyEnough);
    EXPECT_TRUE(fits.ok) << fits.reason;
    EXPECT_EQ(exactlyEnough.text, whole);
}

// A real device that is always full: the error only shows when the buffered text is flushed.
TEST(RecordSaveFailure, AFullDeviceIsReportedAfterTheFinalFlush) {
    std::ofstream out("/dev/full", std::ios::binary);
    if (!out) GTEST_SKIP() << "no /dev/full here";
    ZnBan game;
    const RecordResult result = saveRecord(game, out);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason, "");
}

// Through a real file: what was saved is read back, bytes and game.
TEST(RecordFiles, SavedFileReadsBack) {
    const std::string path = ::testing::TempDir() + "record_roundtrip.ngr";
    std::mt19937 random(5);
    ZnBan game;
    playRandomGame(game, random, 120);
    {
        std::ofstream out(path, std::ios::binary);
        const RecordResult result = saveRecord(game, out);
        ASSERT_TRUE(result.ok) << result.reason;
    }
    ZnBan loaded;
    {
        std::ifstream in(path, std::ios::binary);
        const RecordResult result = loadRecord(loaded, in);
        ASSERT_TRUE(result.ok) << result.reason;
    }
    EXPECT_TRUE(stateOf(loaded) == stateOf(game));
    std::remove(path.c_str());

    std::ifstream missing(path, std::ios::binary);
    const RecordResult result = loadRecord(loaded, missing);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(stateOf(loaded) == stateOf(game));
}

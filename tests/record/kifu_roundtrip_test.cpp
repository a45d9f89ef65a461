// KIF and KI2 written from seeded random games and read back: the second writing must give the
// same bytes, the same moves and a history that takes back to the first position, from the
// standard start, from handicap starts and from set-up positions with pieces in hand.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "common/testing.h"
#include "core/verify.h"
#include "record/ki2.h"
#include "record/kif.h"
#include "record/play.h"
#include "record/position.h"

namespace {

enum class Format { Kif, Ki2 };

struct Writer {
    Format format;
    const char *name;
};

std::string writeText(Format format, ZnBan &game, const RecordNotes &notes) {
    return format == Format::Kif ? writeKif(game, notes) : writeKi2(game, notes);
}

RecordResult readText(Format format, ZnBan &game, RecordNotes &notes, const std::string &text) {
    return format == Format::Kif ? readKif(game, notes, text) : readKi2(game, notes, text);
}

bool kingInHand(const ZnBan &game) {
    for (Side side : {SENTE, GOTE})
        for (const Koma *piece : game.hand(side))
            if (piece->kind() == KING) return true;
    return false;
}

// A position reached by random play from the standard start with gote to move and both sides
// holding pieces, as a set-up start.
PositionSpec setUpStart(std::mt19937 &random) {
    for (;;) {
        ZnBan game;
        for (int ply = 0; ply < 200 && playRandomMove(game, random); ++ply) {
            if (kingInHand(game)) break;
            if (ply >= 30 && game.turn() == GOTE && !game.hand(SENTE).empty() && !game.hand(GOTE).empty())
                return positionOf(game);
        }
    }
}

// Notes of the kind real records carry: headers, comments before and after moves, some times.
RecordNotes sampleNotes(std::mt19937 &random, std::size_t moves, bool handicap) {
    RecordNotes notes;
    notes.setHeader("開始日時", "2024/03/09 10:00:00");
    notes.setHeader("棋戦", "乱数杯 第" + std::to_string(random() % 100) + "局");
    notes.setHeader(handicap ? "下手" : "先手", "先手 太郎");
    notes.setHeader(handicap ? "上手" : "後手", "後手 花子");
    notes.startComments = {"対局開始", ""};
    for (std::size_t move = 1; move <= moves; ++move) {
        if (random() % 7 == 0) notes.commentsAfter(move).push_back("第" + std::to_string(move) + "手の感想");
        notes.moveMs.push_back(random() % 3 == 0 ? -1 : std::int64_t(random() % 4000) * 1000);
    }
    constexpr const char *ENDS[] = {"", "投了", "中断", "千日手", "詰み", "切れ負け", "反則勝ち", "入玉勝ち"};
    notes.endWord = ENDS[random() % std::size(ENDS)];
    notes.endMs = (std::int64_t(random() % 700) - 100) * 1000;
    return notes;
}

class KifuRoundTrip : public ::testing::TestWithParam<Writer> {
protected:
    // Plays a random game from `start`, writes it, reads it back and writes it again.
    void check(const PositionSpec &start, std::mt19937 &random, int plies, bool handicap) {
        const Format format = GetParam().format;
        ZnBan game;
        ASSERT_EQ(buildGame(game, start), "");
        for (int ply = 0; ply < plies && playRandomMove(game, random); ++ply) {
        }
        const RecordNotes notes = sampleNotes(random, game.history().size(), handicap);
        const std::string written = writeText(format, game, notes);
        ASSERT_FALSE(written.empty());

        ZnBan read;
        RecordNotes readNotes;
        const RecordResult result = readText(format, read, readNotes, written);
        ASSERT_TRUE(result.ok) << result.reason << "\n" << written;
        EXPECT_EQ(writeText(format, read, readNotes), written);
        EXPECT_EQ(positionKey(read), positionKey(game));
        ASSERT_EQ(read.history().size(), game.history().size());
        for (std::size_t i = 0; i < game.history().size(); ++i)
            ASSERT_EQ(moveOf(read.history()[i]), moveOf(game.history()[i])) << "move " << i + 1;
        EXPECT_EQ(readNotes.endWord, notes.endWord);
        // Other programs refuse 不成 after an origin; both writers close with a まで line.
        EXPECT_TRUE(format == Format::Ki2 || written.find("不成") == std::string::npos);
        EXPECT_EQ(written.find("\nまで") != std::string::npos, !notes.endWord.empty());
        EXPECT_EQ(readNotes.header("棋戦"), notes.header("棋戦"));
        EXPECT_EQ(readNotes.startComments, notes.startComments);
        for (std::size_t move = 1; move <= game.history().size(); ++move)
            EXPECT_EQ(readNotes.commentsAfter(move), notes.commentsAfter(move)) << "move " << move;
        if (format == Format::Kif) {
            for (std::size_t move = 1; move <= game.history().size(); ++move)
                EXPECT_EQ(readNotes.msOf(move), std::max<std::int64_t>(0, notes.msOf(move))) << "move " << move;
            EXPECT_EQ(readNotes.endMs, notes.endWord.empty() ? -1 : std::max<std::int64_t>(0, notes.endMs));
        }

        // Written from a cursor in the middle of the line, the whole line comes out the same.
        game.setReplaying(true);
        for (int back = 0; back < plies / 2 && game.undoMove(); ++back) {
        }
        EXPECT_EQ(writeText(format, game, notes), written);

        while (read.moveCount() > 0) ASSERT_TRUE(read.undoMove());
        ZnBan first;
        ASSERT_EQ(buildGame(first, start), "");
        EXPECT_EQ(positionKey(read), positionKey(first));
        EXPECT_EQ(findInconsistency(read), "");
    }
};

TEST_P(KifuRoundTrip, RandomGamesFromTheStandardStart) {
    std::mt19937 random(101);
    for (int round = 0; round < 12; ++round) check(standardStart(), random, 60 + round * 25, false);
}

TEST_P(KifuRoundTrip, RandomGamesFromEveryHandicap) {
    std::mt19937 random(202);
    for (std::string_view name : handicapNames()) {
        PositionSpec start;
        ASSERT_TRUE(handicapStart(name, start));
        SCOPED_TRACE(std::string(name));
        check(start, random, 120, name != "平手");
    }
}

TEST_P(KifuRoundTrip, RandomGamesFromSetUpPositionsWithGoteToMove) {
    std::mt19937 random(303);
    for (int round = 0; round < 10; ++round) {
        const PositionSpec start = setUpStart(random);
        ASSERT_EQ(start.turn, GOTE);
        check(start, random, 150, false);
    }
}

TEST_P(KifuRoundTrip, AnEmptyLineKeepsItsStart) {
    std::mt19937 random(404);
    check(standardStart(), random, 0, false);
    check(setUpStart(random), random, 0, false);
}

INSTANTIATE_TEST_SUITE_P(Formats, KifuRoundTrip,
                         ::testing::Values(Writer{Format::Kif, "Kif"}, Writer{Format::Ki2, "Ki2"}),
                         [](const ::testing::TestParamInfo<Writer> &writer) {
                             return std::string(writer.param.name);
                         });

}  // namespace

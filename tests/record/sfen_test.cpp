// SFEN positions and USI position lines: seeded random games written, read and written again;
// hand-written lines for each form; and bad input, which must leave the loaded game alone.

#include "record/sfen.h"

#include <gtest/gtest.h>

#include <string>

#include "common/history_checks.h"
#include "common/seeded_games.h"
#include "common/testing.h"
#include "core/verify.h"
#include "record/encoding.h"
#include "record/play.h"

namespace {

RecordResult read(ZnBan &game, std::string_view text) {
    RecordNotes notes;
    return readSfen(game, notes, text);
}

class SfenRoundTrip : public ::testing::TestWithParam<unsigned> {};

// A USI line holds the whole game: reading it gives the same game, the same line, and a history that
// takes back through the same positions to the first.
TEST_P(SfenRoundTrip, UsiLineOfASeededGame) {
    const unsigned seed = GetParam();
    ZnBan game;
    playSeededGame(game, seed, 40 + static_cast<int>(seed * 37 % 160));
    const std::string first = writeUsi(game);
    ASSERT_EQ(first.back(), '\n');
    ASSERT_EQ(first.find('\n'), first.size() - 1);

    ZnBan loaded;
    ASSERT_TRUE(loaded.play({60, 51, false}));
    const RecordResult result = read(loaded, first);
    ASSERT_TRUE(result.ok) << result.reason << "\n" << first;
    EXPECT_EQ(findInconsistency(loaded), "");
    EXPECT_EQ(positionKey(loaded), positionKey(game));
    EXPECT_EQ(attackCounts(loaded), attackCounts(game));
    EXPECT_EQ(writeUsi(loaded), first);

    expectSameHistoryBackToStart(game, loaded, seed);
}

// The SFEN of every position of a game reads back as that position, and writes back the same.
TEST_P(SfenRoundTrip, SfenOfEveryPosition) {
    const unsigned seed = GetParam();
    ZnBan game;
    playSeededGame(game, seed, 80);
    game.setReplaying(true);
    while (game.moveCount() > 0) ASSERT_TRUE(game.undoMove());
    do {
        const std::string sfen = writeSfen(game);
        ZnBan loaded;
        const RecordResult result = read(loaded, sfen);
        ASSERT_TRUE(result.ok) << result.reason << "\n" << sfen;
        EXPECT_EQ(positionOf(loaded), positionOf(game)) << sfen;
        // The count restarts from the loaded position; the rest of the line is the same.
        const std::string again = writeSfen(loaded);
        EXPECT_EQ(again.substr(0, again.rfind(' ')), sfen.substr(0, sfen.rfind(' ')));
    } while (game.redoMove());
}

// The USI writer gives the whole line wherever the cursor stands, and leaves the cursor there.
TEST_P(SfenRoundTrip, UsiWriterIgnoresTheCursor) {
    ZnBan game;
    playSeededGame(game, GetParam(), 50);
    const std::string whole = writeUsi(game);
    game.setReplaying(true);
    for (int back = 0; back < 7 && game.moveCount() > 0; ++back) ASSERT_TRUE(game.undoMove());
    const std::string key = positionKey(game);
    EXPECT_EQ(writeUsi(game), whole);
    EXPECT_EQ(positionKey(game), key);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SfenRoundTrip, ::testing::Range(1u, 31u));

TEST(SfenRoundTripCoverage, WrittenGamesHoldHandicapsHandsPromotionsAndDrops) {
    std::string all;
    for (unsigned seed = 1; seed < 31; ++seed) {
        ZnBan game;
        playSeededGame(game, seed, 40 + static_cast<int>(seed * 37 % 160));
        all += writeUsi(game);
    }
    for (std::string_view sample : {"position startpos moves ", "position sfen lnsgkgsnl/9/ppppppppp", " w ",
                                    "+ ", "P*", "p ", "1 moves"})
        EXPECT_NE(all.find(sample), std::string::npos) << sample;
}

// Each accepted form gives its position; moves follow USI notation, with promotions and drops.
TEST(SfenRead, EveryForm) {
    const struct {
        const char *text;
        const char *sfen;
    } rows[] = {
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1",
         "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"sfen 8l/1l+R2P3/p2pBG1pp/kps1p4/Nn1P2G2/P1P1P2PP/1PS6/1KSG3+r1/LN2+p3L w Sbgn3p 124\n",
         "8l/1l+R2P3/p2pBG1pp/kps1p4/Nn1P2G2/P1P1P2PP/1PS6/1KSG3+r1/LN2+p3L w Sbgn3p 124"},
        {"position startpos", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"  startpos moves 7g7f 3c3d\r\n",
         "lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 3"},
        {"position startpos moves 7g7f 3c3d 8h2b+ 3a2b B*4e",
         "lnsgkg1nl/1r5s1/pppppp1pp/6p2/5B3/2P6/PP1PPPPPP/7R1/LNSGKGSNL w b 6"},
        {"position sfen lnsgkgsnl/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1 moves 5a4b 7g7f",
         "lnsg1gsnl/5k3/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 3"},
        {"sfen 4k4/9/9/9/9/9/9/9/4K4 b 2R2B4G4S4N4L18P moves", "4k4/9/9/9/9/9/9/9/4K4 b 2R2B4G4S4N4L18P 1"},
        {"4k4/9/9/9/9/9/9/9/4K4 w 2r10p5P 7", "4k4/9/9/9/9/9/9/9/4K4 w 5P2r10p 7"},
        {"sfen 4k4/9/9/9/9/9/9/9/4K4 w - 36 moves 5a5b", "9/4k4/9/9/9/9/9/9/4K4 b - 37"},
        {"\n\nposition sfen 4k4/9/9/9/9/9/9/9/4K4 b P moves P*5b\nposition startpos\n",
         "4k4/4P4/9/9/9/9/9/9/4K4 w - 2"},
    };
    for (const auto &row : rows) {
        ZnBan game;
        RecordNotes notes;
        const RecordResult result = readSfen(game, notes, row.text);
        ASSERT_TRUE(result.ok) << result.reason << "\n" << row.text;
        EXPECT_EQ(positionSfen(game, notes.firstMoveNumber), row.sfen) << row.text;
        EXPECT_EQ(findInconsistency(game), "") << row.text;
    }
}

// Every kind of bad input is refused with a reason, and the game already loaded stays as it was.
TEST(SfenRead, BadInputIsRefusedAndChangesNothing) {
    const struct {
        const char *what;
        std::string text;
    } rows[] = {
        {"empty", ""},
        {"blank lines", "\n \n\t\n"},
        {"binary", std::string("\x00\x01\xff\xfe\x80", 5)},
        {"position alone", "position"},
        {"unknown word after position", "position sfenx"},
        {"eight ranks", "lnsgkgsnl/1r5b1/ppppppppp/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"ten ranks", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"eight files", "lnsgkgsn/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"ten files", "lnsgkgsnl/1r5b1/ppppppppp/9/9/91/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"ten files by a piece", "lnsgkgsnlp/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"empty rank", "lnsgkgsnl//ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"zero squares", "lnsgkgsnl/1r5b1/ppppppppp/09/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"unknown piece", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGXGSNL b - 1"},
        {"promoted gold", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNS+GKGSNL b - 1"},
        {"plus at the end", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL+ b - 1"},
        {"double plus", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSN++L b - 1"},
        {"no turn", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL"},
        {"no hands", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b"},
        {"bad turn", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL x - 1"},
        {"absurd hand count", "4k4/9/9/9/9/9/9/9/4K4 b 999P 1"},
        {"hand count past the set", "4k4/9/9/9/9/9/9/9/4K4 b 19P 1"},
        {"hand counts adding up past the set", "4k4/9/9/9/9/9/9/9/4K4 b 10P9p 1"},
        {"hand count zero", "4k4/9/9/9/9/9/9/9/4K4 b 0P 1"},
        {"hand count without a piece", "4k4/9/9/9/9/9/9/9/4K4 b 2 1"},
        {"king in hand", "4k4/9/9/9/9/9/9/9/4K4 b K 1"},
        {"promoted piece in hand", "4k4/9/9/9/9/9/9/9/4K4 b +P 1"},
        {"three rooks", "4k4/9/9/9/9/9/9/9/RR2K4 b R 1"},
        {"bad move number", "4k4/9/9/9/9/9/9/9/4K4 b - x"},
        {"words after the position", "4k4/9/9/9/9/9/9/9/4K4 b - 1 extra"},
        {"word instead of moves", "position startpos 7g7f"},
        {"unknown USI move", "position startpos moves 7g7z"},
        {"USI move with two pluses", "position startpos moves 7g7f++"},
        {"USI move of one square", "position startpos moves 7g"},
        {"USI resign", "position startpos moves 7g7f resign"},
        {"USI move with stray bytes", "position startpos moves 7g\xe3\x81"},
        {"drop of a king", "position sfen 4k4/9/9/9/9/9/9/9/4K4 b - 1 moves K*5e"},
        {"drop in lower case", "position sfen 4k4/9/9/9/9/9/9/9/4K4 b P 1 moves p*5e"},
        {"drop of a piece not held", "position startpos moves P*5e"},
        {"move from an empty square", "position startpos moves 5e5d"},
        {"move of the other side's piece", "position startpos moves 3c3d"},
        {"move the piece cannot make", "position startpos moves 7g7e"},
        {"promotion where none is allowed", "position startpos moves 7g7f+"},
        {"illegal move later on", "position startpos moves 7g7f 3c3d 7f7e 3d3e 7e7c"},
    };
    ZnBan game;
    std::mt19937 random(11);
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(playRandomMove(game, random));
    const std::string key = positionKey(game);
    const std::vector<int> counts = attackCounts(game);
    for (const auto &row : rows) {
        RecordNotes notes;
        notes.endWord = "投了";
        const RecordResult result = readSfen(game, notes, row.text);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_NE(result.reason, "") << row.what;
        EXPECT_TRUE(isUtf8(result.reason)) << row.what;
        EXPECT_EQ(positionKey(game), key) << row.what;
        EXPECT_EQ(attackCounts(game), counts) << row.what;
        EXPECT_EQ(game.history().size(), 9u) << row.what;
        EXPECT_EQ(notes.endWord, "投了") << row.what;
    }
}

// A broken board is named as such, even with the words after it missing too.
TEST(SfenRead, ABrokenBoardIsNamedBeforeAMissingTurn) {
    const struct {
        const char *text, *reason;
    } rows[] = {
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9 b", "段の数が9ではありません（5段）"},
        {"lnsgkgsnl/1r5b/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL", "2段目のマスが9つではありません"},
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b", "途中で切れています"},
    };
    for (const auto &row : rows) {
        ZnBan game;
        RecordNotes notes;
        const RecordResult result = readSfen(game, notes, row.text);
        EXPECT_NE(result.reason.find(row.reason), std::string::npos) << result.reason;
    }
}

// A failing USI move is named by its number and text.
TEST(SfenRead, ReasonNamesTheMove) {
    ZnBan game;
    const RecordResult result = read(game, "\nposition startpos moves 7g7f 3c3d 8h2b 9z9z\n");
    ASSERT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.starts_with("2行目: ")) << result.reason;
    EXPECT_NE(result.reason.find("4手目"), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find("9z9z"), std::string::npos) << result.reason;
}

TEST(SfenWrite, StartsAndNumbers) {
    ZnBan game;
    EXPECT_EQ(writeSfen(game), "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\n");
    EXPECT_EQ(writeUsi(game), "position startpos\n");
    ASSERT_TRUE(read(game, "position startpos moves 7g7f 3c3d 8h2b+ 3a2b B*4e").ok);
    EXPECT_EQ(writeUsi(game), "position startpos moves 7g7f 3c3d 8h2b+ 3a2b B*4e\n");
    ZnBan handicap;
    PositionSpec start;
    ASSERT_TRUE(handicapStart("香落ち", start));
    ASSERT_EQ(buildGame(handicap, start), "");
    EXPECT_EQ(writeUsi(handicap),
              "position sfen lnsgkgsn1/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1\n");
    const std::string usi = "position sfen 4k4/9/9/9/9/9/9/9/4K4 w - 36 moves 5a5b\n";
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, usi).ok);
    EXPECT_EQ(writeUsi(game, notes.firstMoveNumber), usi);
}

}  // namespace

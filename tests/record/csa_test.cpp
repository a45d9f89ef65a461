// CSA records: seeded random games written, read and written again; hand-written records for the
// statements real files use; and bad input, which must leave the loaded game and notes alone.

#include "record/csa.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/history_checks.h"
#include "common/seeded_games.h"
#include "common/testing.h"
#include "core/verify.h"
#include "record/encoding.h"
#include "record/formats.h"
#include "record/play.h"
#include "record/sfen.h"

namespace {

bool sameNotes(const RecordNotes &a, const RecordNotes &b) {
    return a.headers == b.headers && a.startComments == b.startComments && a.moveComments == b.moveComments &&
           a.moveMs == b.moveMs && a.endWord == b.endWord && a.endComments == b.endComments;
}

// Notes of the kind a CSA file carries, spread over the moves of `game`.
RecordNotes notesFor(const ZnBan &game, unsigned seed) {
    RecordNotes notes;
    if (seed % 2 == 0) {
        notes.setHeader("先手", "Player " + std::to_string(seed));
        notes.setHeader("後手", "相手");
        notes.setHeader("棋戦", "練習対局");
        notes.setHeader("開始日時", "2024/05/05 10:00:00");
        notes.setHeader("持ち時間", "00:25+00");
        notes.startComments = {"始まりのコメント"};
    }
    const std::size_t moves = game.history().size();
    for (std::size_t move = 1; move <= moves; ++move) {
        if (move % 7 == seed % 7) notes.commentsAfter(move).push_back("手 " + std::to_string(move));
        if (seed % 3 != 0) {
            notes.moveMs.resize(move, -1);
            notes.moveMs[move - 1] = std::int64_t((move * 13 + seed) % 90) * 1000;
        }
    }
    const char *ends[] = {"", "投了", "中断", "千日手", "持将棋", "切れ負け", "反則負け", "入玉勝ち", "詰み"};
    notes.endWord = ends[seed % 9];
    return notes;
}

class CsaRoundTrip : public ::testing::TestWithParam<unsigned> {};

// Write, read into a game holding something else, write again: the same bytes, the same game and
// notes, and a history that takes back through the same positions to the first.
TEST_P(CsaRoundTrip, SeededGame) {
    const unsigned seed = GetParam();
    ZnBan game;
    playSeededGame(game, seed, 40 + static_cast<int>(seed * 37 % 160));
    const RecordNotes notes = notesFor(game, seed);
    const std::string first = writeCsa(game, notes);

    ZnBan loaded;
    ASSERT_TRUE(loaded.play({60, 51, false}));
    RecordNotes loadedNotes;
    const RecordResult result = readCsa(loaded, loadedNotes, first);
    ASSERT_TRUE(result.ok) << result.reason << "\n" << first;
    EXPECT_EQ(findInconsistency(loaded), "");
    EXPECT_EQ(positionKey(loaded), positionKey(game));
    EXPECT_EQ(attackCounts(loaded), attackCounts(game));
    ASSERT_EQ(loaded.history().size(), game.history().size());
    EXPECT_TRUE(sameNotes(loadedNotes, notes));
    EXPECT_EQ(writeCsa(loaded, loadedNotes), first);

    expectSameHistoryBackToStart(game, loaded, seed);
}

// The writer gives the whole line wherever the cursor stands.
TEST_P(CsaRoundTrip, WriterIgnoresTheCursor) {
    const unsigned seed = GetParam();
    ZnBan game;
    playSeededGame(game, seed, 60);
    const RecordNotes notes = notesFor(game, seed);
    const std::string whole = writeCsa(game, notes);
    game.setReplaying(true);
    for (int back = 0; back < 5 && game.moveCount() > 0; ++back) ASSERT_TRUE(game.undoMove());
    const std::string key = positionKey(game);
    EXPECT_EQ(writeCsa(game, notes), whole);
    EXPECT_EQ(positionKey(game), key);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CsaRoundTrip, ::testing::Range(1u, 46u));

TEST(CsaRoundTripCoverage, WrittenGamesHoldHandicapsHandsPromotionsAndDrops) {
    std::string all;
    for (unsigned seed = 1; seed < 31; ++seed) {
        ZnBan game;
        playSeededGame(game, seed, 40 + static_cast<int>(seed * 37 % 160));
        all += writeCsa(game, notesFor(game, seed));
    }
    for (std::string_view sample : {"\nPI82HI\n-\n", "\nPI", "\nP1", "\nP+00", "\nP-00", "\n-\n", "\n+00",
                                    "\n-00", "TO\n", "UM\n", "RY\n", "\nT", "%TORYO", "$EVENT:"})
        EXPECT_NE(all.find(sample), std::string::npos) << sample;
}

struct Loaded {
    RecordResult result;
    ZnBan game;
    RecordNotes notes;
};

void load(Loaded &loaded, std::string_view text) { loaded.result = readCsa(loaded.game, loaded.notes, text); }

// A record using most statements: names, metadata, comments everywhere, a promotion, a move of the
// promoted piece with its promoted code, a drop, times on their own lines and after a comma.
TEST(CsaRead, AFullRecord) {
    Loaded loaded;
    load(loaded,
         "'CSA encoding=UTF-8\r\n"
         "'棋譜の例\r\n"
         "V3.0\r\n"
         "N+先手の人\r\n"
         "N-後手の人\r\n"
         "$EVENT:例の棋戦\r\n"
         "$START_TIME:2024/05/05 15:05:40\r\n"
         "$END_TIME:2024/05/05 15:31:22\r\n"
         "$OPENING:YAGURA\r\n"
         "$TIME:900+0+5\r\n"
         "P1-KY-KE-GI-KI-OU-KI-GI-KE-KY\r\n"
         "P2 * -HI * * * * * -KA *\r\n"
         "P3-FU-FU-FU-FU-FU-FU-FU-FU-FU\r\n"
         "P4 *  *  *  *  *  *  *  *  * \r\n"
         "P5 *  *  *  *  *  *  *  *  * \r\n"
         "P6 *  *  *  *  *  *  *  *  * \r\n"
         "P7+FU+FU+FU+FU+FU+FU+FU+FU+FU\r\n"
         "P8 * +KA *  *  *  *  * +HI * \r\n"
         "P9+KY+KE+GI+KI+OU+KI+GI+KE+KY\r\n"
         "+\r\n"
         "'開始のコメント\r\n"
         "+7776FU,T12\r\n"
         "-3334FU\r\n"
         "T6.123\r\n"
         "'二手目のコメント\r\n"
         "+8822UM\r\n"
         "'** 41 -4132KI\r\n"
         "-4132KI\r\n"
         "+2211UM\r\n"
         "-8384FU\r\n"
         "+0055KA\r\n"
         "%TORYO\r\n"
         "'終局後のコメント\r\n"
         "T40\r\n");
    ASSERT_TRUE(loaded.result.ok) << loaded.result.reason;
    EXPECT_EQ(positionSfen(loaded.game),
              "lnsgk1sn+B/1r4g2/p1pppp1pp/1p4p2/4B4/2P6/PP1PPPPPP/7R1/LNSGKGSNL w L 8");
    const RecordNotes &notes = loaded.notes;
    EXPECT_EQ(notes.header("先手"), "先手の人");
    EXPECT_EQ(notes.header("後手"), "後手の人");
    EXPECT_EQ(notes.header("棋戦"), "例の棋戦");
    EXPECT_EQ(notes.header("開始日時"), "2024/05/05 15:05:40");
    EXPECT_EQ(notes.header("終了日時"), "2024/05/05 15:31:22");
    EXPECT_EQ(notes.header("戦型"), "YAGURA");
    EXPECT_EQ(notes.header("持ち時間"), "900+0+5");
    EXPECT_EQ(notes.startComments, (std::vector<std::string>{"棋譜の例", "開始のコメント"}));
    EXPECT_EQ(notes.commentsAfter(2), std::vector<std::string>{"二手目のコメント"});
    // Floodgate's score line keeps one of its marks, which KIF readers take for an evaluation.
    EXPECT_EQ(notes.commentsAfter(3), std::vector<std::string>{"* 41 -4132KI"});
    EXPECT_EQ(notes.endComments, std::vector<std::string>{"終局後のコメント"});
    EXPECT_EQ(notes.moveMs, (std::vector<std::int64_t>{12000, 6123}));
    EXPECT_EQ(notes.endWord, "投了");

    // Written back, declaring UTF-8, with the same headers and times, and read again as the same game.
    const std::string written = writeCsa(loaded.game, loaded.notes);
    EXPECT_TRUE(written.starts_with("'CSA encoding=UTF-8\nV3.0\nN+先手の人\nN-後手の人\n$EVENT:例の棋戦\n"))
        << written;
    EXPECT_NE(
        written.find("\nPI\n+\n+7776FU\nT12\n-3334FU\nT6.123\n'*二手目のコメント\n+8822UM\n'** 41 -4132KI\n"),
        std::string::npos)
        << written;
    EXPECT_TRUE(written.ends_with("\n+2211UM\n-8384FU\n+0055KA\n%TORYO\nT40\n'*終局後のコメント\n"))
        << written;
    Loaded again;
    load(again, written);
    ASSERT_TRUE(again.result.ok) << again.result.reason;
    EXPECT_EQ(positionKey(again.game), positionKey(loaded.game));
    EXPECT_TRUE(sameNotes(again.notes, loaded.notes));
}

// Set-up positions: rows with promoted pieces, "00" hands, "00AL" for the rest, gote to move; and
// pieces added to PI and to the rows by P+ / P-.
TEST(CsaRead, SetUpPositions) {
    const struct {
        const char *text;
        const char *sfen;
    } rows[] = {
        {"P1 *  *  *  *  *  *  *  *  * \nP2 *  *  *  *  *  *  *  *  * \nP3 *  *  * -FU-FU *  *  *  * \n"
         "P4-RY *  * -OU * -FU *  *  * \nP5 *  * +KY * -TO *  *  *  * \nP6 *  * +RY *  *  *  *  *  * \n"
         "P7+KA *  *  *  *  *  *  *  * \nP8+KA *  *  *  *  *  *  *  * \nP9 *  *  *  *  *  *  *  *  * \n"
         "P-00AL\n+\n",
         "9/9/3pp4/+r2k1p3/2L1+p4/2+R6/B8/B8/9 b 4g4s4n3l14p 1"},
        {"P+59OU00KI00FU00FU\nP-51OU00HI\n-\n", "4k4/9/9/9/9/9/9/9/4K4 w G2Pr 1"},
        {"PI82HI22KA\nP+00HI\n-\n", "lnsgkgsnl/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w R 1"},
        {"PI\n+\n", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"PI11KY\nP-12KY\n-\n", "lnsgkgsn1/1r5bl/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
    };
    for (const auto &row : rows) {
        Loaded loaded;
        load(loaded, row.text);
        ASSERT_TRUE(loaded.result.ok) << loaded.result.reason << "\n" << row.text;
        EXPECT_EQ(positionSfen(loaded.game), row.sfen) << row.text;
        EXPECT_EQ(findInconsistency(loaded.game), "");
    }
}

// Each CSA end word is kept as its KIF word and written back as it was read, with its time and
// comment; through KIF, KI2 and JKF it comes back the same, or the format names it as left out.
TEST(CsaRead, EndWordsMapToKifAndBack) {
    const struct {
        const char *csa;
        const char *kif;
        const char *lostIn;  // K: KIF and KI2, J: JKF
    } rows[] = {{"%TORYO", "投了", ""},
                {"%CHUDAN", "中断", ""},
                {"%SENNICHITE", "千日手", ""},
                {"%TSUMI", "詰み", ""},
                {"%JISHOGI", "持将棋", ""},
                {"%TIME_UP", "切れ負け", ""},
                {"%ILLEGAL_MOVE", "反則負け", ""},
                {"%KACHI", "入玉勝ち", ""},
                {"%HIKIWAKE", "引き分け", ""},
                {"%+ILLEGAL_ACTION", "反則勝ち", ""},
                {"%-ILLEGAL_ACTION", "反則負け", "K"},
                {"%ERROR", "エラー", "KJ"},
                {"%MAX_MOVES", "最大手数", ""}};
    for (const auto &row : rows) {
        // Gote is to move: sente's illegal action wins the game for gote.
        const std::string text = std::string("PI\n+\n+7776FU\n") + row.csa + ",T3\n'*終局の感想\n";
        Loaded loaded;
        load(loaded, text);
        ASSERT_TRUE(loaded.result.ok) << loaded.result.reason;
        EXPECT_EQ(loaded.notes.endWord, row.kif) << row.csa;
        EXPECT_EQ(loaded.notes.endComments, std::vector<std::string>{"終局の感想"}) << row.csa;
        const std::string written = writeCsa(loaded.game, loaded.notes);
        EXPECT_TRUE(written.ends_with("\n" + std::string(row.csa) + "\nT3\n'*終局の感想\n")) << written;
        for (RecordFormat format : {RecordFormat::Kif, RecordFormat::Ki2, RecordFormat::Jkf}) {
            SCOPED_TRACE(std::string(row.csa) + " through format " + std::to_string(int(format)));
            const bool lost = std::string_view(row.lostIn).find(format == RecordFormat::Jkf ? 'J' : 'K') !=
                              std::string_view::npos;
            EXPECT_EQ(notesLeftOut(loaded.notes, format).size(), lost ? 1u : 0u);
            std::string bytes;
            ASSERT_TRUE(writeRecordBytes(loaded.game, loaded.notes, format, bytes).ok);
            Loaded back;
            ASSERT_TRUE(readRecordBytes(back.game, back.notes, bytes, {}, format).ok) << bytes;
            if (lost) continue;
            EXPECT_EQ(back.notes.endComments, std::vector<std::string>{"終局の感想"}) << bytes;
            EXPECT_EQ(back.notes.endMs, format == RecordFormat::Ki2 ? -1 : 3000) << bytes;
            EXPECT_NE(writeCsa(back.game, back.notes).find("\n" + std::string(row.csa) + "\n"),
                      std::string::npos)
                << bytes;
        }
    }
}

// Only the first of several records separated by "/" is read.
TEST(CsaRead, TheFirstOfSeveralRecords) {
    Loaded loaded;
    load(loaded,
         "V2.2\nPI\n+\n+2726FU\n-3334FU\n%CHUDAN\n/\nV2.2\nPI\n+\n+7776FU\n-8384FU\n+5756FU\n%CHUDAN");
    ASSERT_TRUE(loaded.result.ok) << loaded.result.reason;
    EXPECT_EQ(positionSfen(loaded.game),
              "lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/7P1/PPPPPPP1P/1B5R1/LNSGKGSNL b - 3");
}

// Every kind of bad input is refused with a reason naming its line, and the game and notes already
// loaded stay exactly as they were.
TEST(CsaRead, BadInputIsRefusedAndChangesNothing) {
    const struct {
        const char *what;
        std::string text;
    } rows[] = {
        {"empty", ""},
        {"only blank lines", "\n\n  \n"},
        {"binary", std::string("\x00\x01\x02\xff\xfe", 5)},
        {"binary comment", "PI\n+\n'\xff\xfe\n"},
        {"no position", "V2.2\nN+a\n+\n"},
        {"no turn line", "V2.2\nPI\n"},
        {"truncated move", "PI\n+\n+7776F"},
        {"truncated row", "P1-KY-KE-GI-KI-OU-KI-GI-KE\n"},
        {"missing rows", "P1-KY-KE-GI-KI-OU-KI-GI-KE-KY\n+\n"},
        {"row twice", "P1 *  *  *  *  *  *  *  *  * \nP1 *  *  *  *  *  *  *  *  * \n+\n"},
        {"ten cells", "PI\nP1 *  *  *  *  *  *  *  *  *  * \n+\n"},
        {"PI with rows", "P1 *  *  *  *  *  *  *  *  * \nPI\n+\n"},
        {"unknown piece code", "P+59OU11XX\n+\n"},
        {"lower-case code", "P+59ou\n+\n"},
        {"promoted piece in hand", "P+59OU00TO\n+\n"},
        {"a third king in hand", "P+59OU00OU\nP-51OU00OU\n+\n"},
        {"two pieces on a square", "P+59OU59KI\n+\n"},
        {"PI removal of a missing piece", "PI55FU\n+\n"},
        {"more pawns than the set", "PI\nP+00FU\n+\n"},
        {"three rooks", "P+59OU11HI12HI13HI\n+\n"},
        {"square off the board", "PI\n+\n+7706FU\n"},
        {"square with a letter", "PI\n+\n+7A76FU\n"},
        {"unknown move code", "PI\n+\n+7776XX\n"},
        {"move from an empty square", "PI\n+\n+5554FU\n"},
        {"code of another kind", "PI\n+\n+7776KY\n"},
        {"promoted code of a promoted piece's base", "P+59OU55TO\nP-51OU\n+\n+5554NG\n"},
        {"move the piece cannot make", "PI\n+\n+7775FU\n"},
        {"promotion where none is allowed", "PI\n+\n+7776TO\n"},
        {"drop of a piece not held", "PI\n+\n+0055KA\n"},
        {"drop of a promoted code", "P+59OU00FU\nP-51OU\n+\n+0055TO\n"},
        {"drop on an occupied square", "P+59OU00FU\nP-51OU\n+\n+0059FU\n"},
        {"move of the wrong side", "PI\n+\n-3334FU\n"},
        {"move of the wrong side with stray bytes",
         "PI\n+\n-2\xcb\xcc"
         "8HI\n"},
        {"move from an empty square with stray bytes",
         "PI\n+\n+2\xcb\xcc"
         "8HI\n"},
        {"turn line twice", "PI\n+\n+7776FU\n-\n"},
        {"move before the turn line", "PI\n+7776FU\n"},
        {"position after the turn line", "PI\n+\nP+00FU\n"},
        {"unknown end word", "PI\n+\n%WHATEVER\n"},
        {"move after the end word", "PI\n+\n+7776FU\n%CHUDAN\n-3334FU\n"},
        {"bad time", "PI\n+\n+7776FU\nTx\n"},
        {"unknown line", "PI\n+\nhello\n"},
        {"unknown version", "V9\nPI\n+\n"},
        {"header without a key", "$:value\nPI\n+\n"},
    };
    ZnBan game;
    std::mt19937 random(7);
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(playRandomMove(game, random));
    RecordNotes notes;
    notes.setHeader("先手", "元の棋譜");
    notes.endWord = "中断";
    const std::string key = positionKey(game);
    const std::vector<int> counts = attackCounts(game);
    const RecordNotes before = notes;
    for (const auto &row : rows) {
        const RecordResult result = readCsa(game, notes, row.text);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_NE(result.reason, "") << row.what;
        EXPECT_TRUE(isUtf8(result.reason)) << row.what;
        EXPECT_EQ(positionKey(game), key) << row.what;
        EXPECT_EQ(attackCounts(game), counts) << row.what;
        EXPECT_EQ(game.history().size(), 12u) << row.what;
        EXPECT_TRUE(sameNotes(notes, before)) << row.what;
    }
}

// The reason names the line of the fault, counting every kind of line end.
TEST(CsaRead, ReasonsNameTheLine) {
    const struct {
        const char *text;
        const char *line;
    } rows[] = {{"PI\n+\n+7776FU\n-3334FU\n+5554FU\n", "5行目: "},
                {"PI\r\n+\r\n+7776FU\r\n-3334FU\r\n+5554FU\r\n", "5行目: "},
                {"PI\r+\r+7776FU\r-3334FU\r+5554FU\r", "5行目: "},
                {"'c\n\nPI\n+\n+7776FU,-3334FU,+5554FU\n", "5行目: "}};
    for (const auto &row : rows) {
        Loaded loaded;
        load(loaded, row.text);
        EXPECT_FALSE(loaded.result.ok);
        EXPECT_TRUE(loaded.result.reason.starts_with(row.line)) << loaded.result.reason;
    }
}

}  // namespace

namespace {

// A Shift-JIS CSA file is decoded before it is read; one cut inside a character is refused whole.
TEST(CsaRead, ShiftJisThroughTheEntryPoint) {
    // "'対局" and "N+先手" in code page 932.
    const std::string comment = "'\x91\xce\x8b\xc7\r\n", name = "N+\x90\xe6\x8e\xe8\r\n";
    const std::string whole = "V2.2\r\n" + name + comment + "PI\r\n+\r\n+7776FU\r\n";
    ZnBan game;
    RecordNotes notes;
    const RecordResult read = readRecordBytes(game, notes, whole, "game.csa");
    ASSERT_TRUE(read.ok) << read.reason;
    EXPECT_EQ(notes.header("先手"), "先手");
    EXPECT_EQ(notes.startComments, std::vector<std::string>{"対局"});
    EXPECT_EQ(game.moveCount(), 1);

    const std::string cut = "V2.2\r\n" + name + "PI\r\n+\r\n+7776FU\r\n'\x91\xce\x8b";
    const RecordResult refused = readRecordBytes(game, notes, cut, "game.csa");
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.reason, "");
    EXPECT_EQ(game.moveCount(), 1);
    EXPECT_EQ(notes.startComments, std::vector<std::string>{"対局"});
}

}  // namespace

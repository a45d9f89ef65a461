// A game by the rules on a clock the test moves by hand: the clock's arithmetic, every way a game
// ends with its end word, who won and the times in the record, and the Elo table of a series.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/matchscore.h"
#include "engine/openings.h"
#include "engine/pv.h"
#include "engine/referee.h"
#include "record/sfen.h"

namespace {

constexpr std::int64_t S = 1000;

TimeControl control(std::int64_t main, std::int64_t byoyomi, std::int64_t increment = 0) {
    return {main * S, byoyomi * S, increment * S};
}

TEST(GameClock, CountsMainTimeThenByoyomiOrIncrement) {
    // Sente thinks 7 s, gote 3 s, sente 4 s; sente's third turn is then read 3 s into it.
    const struct {
        TimeControl time;
        std::int64_t margin;
        std::int64_t senteLeft, goteLeft, byoyomiLeft;
        std::int64_t flagAt;  // since the start of sente's third turn
        const char *why;
    } rows[] = {
        {control(10, 5), 0, 0, 7 * S, 2 * S, 5 * S, "持ち時間 spent, 秒読み running"},
        {control(20, 5), 0, 6 * S, 17 * S, 5 * S, 14 * S, "持ち時間 left, 秒読み untouched"},
        {control(60, 0, 2), 0, 52 * S, 59 * S, 0, 55 * S, "加算 credited as each turn begins"},
        {control(0, 10), 1000, 0, 0, 7 * S, 11 * S, "秒読み only, with a margin"},
    };
    for (const auto &row : rows) {
        GameClock clock({row.time, row.time}, {row.margin, row.margin});
        std::int64_t now = 0;
        for (const auto &[side, think] : {std::pair{SENTE, 7}, {GOTE, 3}, {SENTE, 4}}) {
            clock.startTurn(side, now);
            now += think * S;
            EXPECT_EQ(clock.stopTurn(now), think * S) << row.why;
        }
        clock.startTurn(SENTE, now);
        EXPECT_EQ(clock.remainingMs(GOTE, now + 3 * S), row.goteLeft) << row.why;
        EXPECT_EQ(clock.remainingMs(SENTE, now + 3 * S), row.senteLeft) << row.why;
        EXPECT_EQ(clock.byoyomiLeftMs(SENTE, now + 3 * S), row.byoyomiLeft) << row.why;
        EXPECT_EQ(clock.flagTime(), now + row.flagAt) << row.why;
        EXPECT_FALSE(clock.flagFell(now + row.flagAt)) << row.why;
        EXPECT_TRUE(clock.flagFell(now + row.flagAt + 1)) << row.why;
    }
}

TEST(GameClock, TellsTheEngineTheTimeBeforeTheCredit) {
    GameClock byoyomi({control(60, 10), control(30, 5)}, {0, 0});
    byoyomi.startTurn(GOTE, 0);
    const GameClock::Reading b = byoyomi.reading();
    EXPECT_EQ(std::vector<std::int64_t>({b.senteMs, b.goteMs, b.byoyomiMs, b.senteIncMs, b.goteIncMs}),
              std::vector<std::int64_t>({60 * S, 30 * S, 5 * S, 0, 0}));
    GameClock fischer({control(60, 0, 3), control(60, 0, 3)}, {0, 0});
    fischer.startTurn(SENTE, 0);
    const GameClock::Reading f = fischer.reading();
    EXPECT_EQ(std::vector<std::int64_t>({f.senteMs, f.goteMs, f.byoyomiMs, f.senteIncMs, f.goteIncMs}),
              std::vector<std::int64_t>({60 * S, 60 * S, 0, 3 * S, 3 * S}));
}

TEST(TimeControl, SaysWhatItIsAndWhatIsWrong) {
    EXPECT_EQ(timeControlText(control(600, 30)), "10分 秒読み30秒");
    EXPECT_EQ(timeControlText(control(3725, 0, 10)), "1時間2分5秒 加算10秒");
    const struct {
        TimeControl control;
        const char *problem;
    } rows[] = {
        {control(600, 30), ""},
        {control(0, 0), "持ち時間・秒読み・加算のどれかを決めてください"},
        {control(60, 10, 10), "秒読みと加算は一緒に使えません"},
        {control(-1, 10), "時間に負の値があります"},
        {control(60, -1), "時間に負の値があります"},
        {control(100'000'000, 0), "時間が長すぎます"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(timeControlProblem(row.control), row.problem) << timeControlText(row.control);
}

// A game with the record it plays into, started at time 0.
struct Table {
    ZnBan game;
    GameRecord record{game};
    std::unique_ptr<GameReferee> referee;

    explicit Table(GameSettings settings, const char *start = "startpos") {
        RecordNotes notes;
        EXPECT_TRUE(readSfen(game, notes, start).ok);
        record.reset(std::move(notes));
        referee = std::make_unique<GameReferee>(record, std::move(settings));
        referee->start(0);
    }
    std::string play(const char *word, std::int64_t now) {
        return referee->play(*readUsiMoveWord(word), now);
    }
};

GameSettings settings(TimeControl time = control(60, 10), std::int64_t margin = 0) {
    GameSettings s;
    s.names = {"Alpha", "Beta"};
    s.time = {time, time};
    s.marginMs = {margin, margin};
    s.startDate = "2026/12/08 09:40:00";
    return s;
}

TEST(GameReferee, EndsEachWayWithItsWordAndWinner) {
    enum Action {
        Resign,
        Stop,
        Flag,
        FischerFlag,
        LateMove,
        Garbage,
        Illegal,
        SenteFault,
        EngineResigns,
        MaxMoves
    };
    const struct {
        Action action;
        GameEnd end;
        int winner;  // -1: none
        const char *endWord;
        const char *sentence;
    } rows[] = {
        {Resign, GameEnd::Resignation, GOTE, "投了", "後手（Beta）の勝ち: 投了（2手）"},
        {EngineResigns, GameEnd::Resignation, GOTE, "投了", "後手（Beta）の勝ち: 投了（2手）"},
        {Stop, GameEnd::Stopped, -1, "中断", "中断しました（2手）"},
        {Flag, GameEnd::Timeout, GOTE, "切れ負け", "後手（Beta）の勝ち: 時間切れ（2手）"},
        {FischerFlag, GameEnd::Timeout, GOTE, "切れ負け", "後手（Beta）の勝ち: 時間切れ（2手）"},
        {LateMove, GameEnd::Timeout, GOTE, "切れ負け", "後手（Beta）の勝ち: 時間切れ（2手）"},
        {Garbage, GameEnd::IllegalMove, GOTE, "反則負け",
         "後手（Beta）の勝ち: 反則（読めない指し手 7g7x）（2手）"},
        {Illegal, GameEnd::IllegalMove, GOTE, "反則負け",
         "後手（Beta）の勝ち: 反則（5e5d: 移動元に駒がありません）（2手）"},
        // Gote's engine died while sente thought: gote loses though not to move.
        {SenteFault, GameEnd::Fault, SENTE, "反則勝ち", "先手（Alpha）の勝ち: エンジンが終了しました（2手）"},
        {MaxMoves, GameEnd::MaxMoves, -1, "持将棋", "最大手数（持将棋）で引き分け（3手）"},
    };
    for (const auto &row : rows) {
        // 加算: 10 s and 5 s a move, credited as each turn begins.
        GameSettings s = row.action == FischerFlag ? settings(control(10, 0, 5)) : settings();
        if (row.action == MaxMoves) s.maxMoves = 3;
        Table table(s);
        ASSERT_EQ(table.play("7g7f", 4 * S), "");
        ASSERT_EQ(table.play("3c3d", 6 * S), "");
        const std::int64_t t = 9 * S;
        switch (row.action) {
            case Resign: table.referee->resign(t); break;
            case EngineResigns: table.referee->engineAnswer({"resign", "", true, false}, t); break;
            case Stop: table.referee->stop(t); break;
            case Flag:
                // Sente's turn began at 6 s with 56 s and 10 s of 秒読み.
                EXPECT_FALSE(table.referee->checkFlag(72 * S)) << "still within 秒読み";
                EXPECT_TRUE(table.referee->checkFlag(72 * S + 1));
                break;
            case FischerFlag:
                // Sente had 15 s, spent 4, and got 5 more at 6 s: 16 s from then.
                EXPECT_FALSE(table.referee->checkFlag(22 * S));
                EXPECT_TRUE(table.referee->checkFlag(22 * S + 1));
                break;
            case LateMove: EXPECT_EQ(table.play("2g2f", 6 * S + 71 * S), "時間切れです"); break;
            case Garbage: table.referee->engineAnswer({"7g7x", "", false, false}, t); break;
            case Illegal: table.referee->engineAnswer({"5e5d", "", false, false}, t); break;
            case SenteFault: table.referee->fault(GOTE, "エンジンが終了しました", t); break;
            case MaxMoves: EXPECT_EQ(table.play("2g2f", t), ""); break;
        }
        const GameResult &result = table.referee->result();
        EXPECT_EQ(result.end, row.end) << row.sentence;
        EXPECT_EQ(result.winner ? int(*result.winner) : -1, row.winner) << row.sentence;
        EXPECT_EQ(table.record.notes().endWord, row.endWord) << row.sentence;
        EXPECT_EQ(resultSentence(result, {"Alpha", "Beta"}), row.sentence);
        EXPECT_FALSE(table.referee->clock().running()) << row.sentence;
        // Nothing counts once the game is over.
        EXPECT_NE(table.play("2g2f", t + S), "") << row.sentence;
        EXPECT_EQ(table.referee->result().end, row.end) << row.sentence;
    }
}

TEST(GameReferee, EndsByTheRulesOfThePosition) {
    const char *const perpetual = "8k/R8/9/9/9/9/9/9/4K4 b - 1";
    const char *const entered = "RRBBGGGG1/4K2SS/9/9/9/9/9/9/4k4 b 2P 1";
    const struct {
        const char *start;
        std::vector<const char *> moves;  // "declare" and "win" declare, as a person and an engine
        std::optional<DeclarationRule> rule;
        GameEnd end;
        int winner;
        const char *endWord;
    } rows[] = {
        {"4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1",
         {"G*5b"},
         DeclarationRule::Points27,
         GameEnd::Mate,
         SENTE,
         "詰み"},
        // The start position for the fourth time after three rounds of rook moves.
        {"startpos",
         {"2h3h", "8b7b", "3h2h", "7b8b", "2h3h", "8b7b", "3h2h", "7b8b", "2h3h", "8b7b", "3h2h", "7b8b"},
         DeclarationRule::Points27,
         GameEnd::Repetition,
         -1,
         "千日手"},
        // Sente checks with every move: sente, to move once it comes round again, loses.
        {perpetual,
         {"9b9a", "1a1b", "9a9b", "1b1a", "9b9a", "1a1b", "9a9b", "1b1a", "9b9a", "1a1b", "9a9b", "1b1a"},
         DeclarationRule::Points27,
         GameEnd::PerpetualCheck,
         GOTE,
         "反則負け"},
        // 28 points: enough for sente under the 27-point rule, a draw under the 24-point rule.
        {entered, {"declare"}, DeclarationRule::Points27, GameEnd::DeclarationWon, SENTE, "入玉勝ち"},
        {entered, {"win"}, DeclarationRule::Points27, GameEnd::DeclarationWon, SENTE, "入玉勝ち"},
        {entered, {"win"}, DeclarationRule::Points24, GameEnd::DeclarationDrawn, -1, "持将棋"},
        {"RRBBGGGG1/4K2SS/9/9/9/9/9/9/4k4 b P 1",
         {"win"},
         DeclarationRule::Points27,
         GameEnd::DeclarationLost,
         GOTE,
         "反則負け"},
        {entered, {"win"}, std::nullopt, GameEnd::IllegalMove, GOTE, "反則負け"},
    };
    for (const auto &row : rows) {
        GameSettings s = settings();
        s.declaration = row.rule;
        Table table(s, row.start);
        std::int64_t now = 0;
        for (const char *word : row.moves) {
            now += S;
            if (std::string_view(word) == "declare")
                EXPECT_EQ(table.referee->declare(now), "") << row.start;
            else if (std::string_view(word) == "win")
                table.referee->engineAnswer({"win", "", false, true}, now);
            else
                ASSERT_EQ(table.play(word, now), "") << row.start << ' ' << word;
        }
        const GameResult &result = table.referee->result();
        EXPECT_EQ(result.end, row.end) << row.start;
        EXPECT_EQ(result.winner ? int(*result.winner) : -1, row.winner) << row.start;
        EXPECT_EQ(table.record.notes().endWord, row.endWord) << row.start;
    }
    // A declaration that fails is a foul like any other, and its comment says which condition failed.
    GameSettings s = settings();
    s.declaration = DeclarationRule::Points27;
    for (const auto &[start, comment] : std::initializer_list<std::pair<const char *, const char *>>{
             {"RRBBGGGG1/4K2SS/9/9/9/9/9/9/4k4 b P 1",
              "反則負け: 入玉宣言: 点数が足りません（27点、28点必要）"},
             {"4k4/9/9/9/9/9/9/9/4K4 b - 1", "反則負け: 入玉宣言: 玉が敵陣にありません"},
             {"RRBBGGGG1/4K4/9/9/9/9/9/9/4k4 b P 1", "反則負け: 入玉宣言: 敵陣の駒が10枚に足りません（8枚）"},
         }) {
        Table table(s, start);
        table.referee->engineAnswer({"win", "", false, true}, S);
        EXPECT_EQ(table.record.commentsOnPath(0), std::vector<std::string>({comment})) << start;
    }
}

TEST(GameReferee, RefusesAPersonsMoveOutsideTheRulesWithItsReason) {
    const struct {
        const char *start, *move, *reason;
    } rows[] = {
        {"k8/2S6/1G7/9/9/9/9/9/4K4 b P 1", "P*9b", "打ち歩詰めです"},
        {"4k4/9/9/9/9/9/9/4r4/4K4 b G 1", "G*1a", "王手を放置しています"},
        {"4k4/9/9/9/9/9/9/3r5/4K4 b - 1", "5i6i", "自玉が取られる手です"},
    };
    for (const auto &row : rows) {
        Table table(settings(), row.start);
        EXPECT_EQ(table.play(row.move, S), row.reason) << row.start;
        EXPECT_FALSE(table.referee->over()) << row.start;
        EXPECT_EQ(table.referee->movesPlayed(), 0) << row.start;
        EXPECT_EQ(table.referee->toMove(), SENTE) << row.start;
        EXPECT_TRUE(table.referee->clock().running()) << row.start;
    }
}

TEST(GameReferee, RecordsNamesTimesAndTheReasonOfAFault) {
    Table table(settings(control(60, 10)));
    EXPECT_EQ(table.play("7g7f", 4 * S + 900), "");
    // A move the board refuses is refused and the clock goes on.
    EXPECT_NE(table.play("3c3e", 5 * S), "");
    EXPECT_EQ(table.play("3c3d", 6 * S), "");
    table.referee->fault(SENTE, "エンジンが探索中に終了しました", 20 * S);
    const RecordNotes &notes = table.record.notes();
    EXPECT_EQ(notes.header("先手"), "Alpha");
    EXPECT_EQ(notes.header("後手"), "Beta");
    EXPECT_EQ(notes.header("開始日時"), "2026/12/08 09:40:00");
    EXPECT_EQ(notes.header("持ち時間"), "各1分 秒読み10秒");
    // Kept to the millisecond, as the clock counted them.
    EXPECT_EQ(notes.moveMs, std::vector<std::int64_t>({4900, 1100}));
    EXPECT_EQ(notes.endWord, "反則負け");
    EXPECT_EQ(notes.endMs, 14000);
    EXPECT_EQ(table.record.commentsOnPath(2),
              std::vector<std::string>({"反則負け: エンジンが探索中に終了しました"}));
    EXPECT_EQ(table.referee->positionCommand(), "position startpos moves 7g7f 3c3d");
}

// A game takes its first moves from the book up to its plies, counted after the opening's moves, and
// none once a position is out of it (count 0 only, or missing), even where a later one is in it
// again; each takes no time, 加算 included, and carries the comment 定跡.
TEST(GameReferee, TakesTheFirstMovesFromTheBook) {
    BookReadResult read = readBook(
        "#YANEURAOU-DB2016 1.00\nsfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\n7g7f none 0 0 2\n"
        "2g2f none 0 0 0\nsfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2\n3c3d none 0 0 4\n"
        "sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/7P1/PPPPPPP1P/1B5R1/LNSGKGSNL w - 2\n8c8d none 0 0 0\n"
        "sfen lnsgkgsnl/1r5b1/p1ppppppp/1p7/9/2P4P1/PP1PPPP1P/1B5R1/LNSGKGSNL w - 4\n3c3d none 0 0 9\n");
    ASSERT_TRUE(read.ok);
    const auto book = std::make_shared<const Book>(std::move(read.book));
    const struct {
        const char *opening;
        int plies;
        const char *fromBook;
    } rows[] = {{"startpos", 8, " 7g7f 3c3d"}, {"startpos", 1, " 7g7f"}, {"startpos moves 7g7f", 1, " 3c3d"},
                {"startpos moves 2g2f", 8, ""}, {"startpos moves 7g7f 8c8d", 8, ""}};
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.opening) + " / " + std::to_string(row.plies));
        GameSettings s = settings(control(60, 0, 5));
        s.book = {book, row.plies, 7};
        ZnBan game;
        GameRecord record(game);
        ASSERT_EQ(setUpOpening(record, {"", std::string("position ") + row.opening}), "");
        const int opening = record.length();
        GameReferee referee(record, s);
        referee.start(0);
        std::int64_t now = 0;
        while (referee.playFromBook(now += S)) {
        }
        std::string played;
        for (int move = opening + 1; move <= record.length(); ++move) {
            played.append(" ").append(usiMoveWord(moveOf(game.history()[static_cast<std::size_t>(move - 1)])));
            EXPECT_EQ(record.commentsOnPath(move), std::vector<std::string>{"定跡"});
            EXPECT_EQ(record.tree().node(record.path()[static_cast<std::size_t>(move)]).ms, 0);
        }
        EXPECT_EQ(played, row.fromBook);
        // A second before each: the side to move has its 60 s, 5 s of credit and 1 s spent.
        EXPECT_EQ(referee.clock().remainingMs(referee.toMove(), now), 64 * S);
        EXPECT_EQ(referee.clock().remainingMs(otherSide(referee.toMove()), now), 60 * S);
        if (played.empty() && game.turn() == SENTE) {
            ASSERT_EQ(referee.play(*readUsiMoveWord("2g2f"), now), "");
            EXPECT_FALSE(referee.playFromBook(now)) << "back in the book, but out of it for good";
        }
    }
}

TEST(MatchScore, GivesTheEloDifferenceAndItsIntervalAsCutechessDoes) {
    const struct {
        MatchScore score;
        const char *text;
    } rows[] = {
        {{0, 0, 0}, "-"},
        // The expected figures are Python's NormalDist().inv_cdf(0.975) put through the same formula.
        {{5, 5, 0}, "+0.0 ± 251.8"},
        {{7, 2, 1}, "+190.8 ± 763.2"},
        {{10, 0, 0}, "+inf"},
        {{0, 3, 0}, "-inf"},
        {{60, 30, 10}, "+107.5 ± 68.5"},
    };
    for (const auto &row : rows) EXPECT_EQ(eloText(eloOf(row.score), row.score), row.text);
}

}  // namespace

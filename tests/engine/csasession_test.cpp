// The CSA server session on transcripts: what a server says, line by line, and what the session
// answers, on a clock the test moves by hand.
#include "engine/csasession.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

using Lines = std::vector<std::string>;

struct RecordingHost : CsaSessionHost {
    std::deque<std::string> sent;
    Lines faults, notes;
    int closes = 0, turns = 0, starts = 0;
    std::vector<CsaGameEnd> ends;
    void sendLine(const std::string &line) override { sent.push_back(line); }
    void closeConnection() override { ++closes; }
    void fault(const std::string &reason) override { faults.push_back(reason); }
    std::string wallClock() override { return "2026/12/08 09:40:00"; }
    void gameStarted() override { ++starts; }
    void ourTurn() override { ++turns; }
    void gameEnded(const CsaGameEnd &end) override { ends.push_back(end); }
    void note(const std::string &text) override { notes.push_back(text); }
    Lines takeSent() {
        Lines lines(sent.begin(), sent.end());
        sent.clear();
        return lines;
    }
};

UsiBestMove best(const char *move) { return UsiBestMove{move, "", false, false}; }

const char *const kTime = "BEGIN Time\nTime_Unit:1sec\nTotal_Time:600\nByoyomi:10\nEND Time\n";

// A Game_Summary as shogi-server sends it, with the given time block and moves already played.
std::string summaryText(char yourTurn, const std::string &time = kTime, const std::string &moves = "") {
    return "BEGIN Game_Summary\nProtocol_Version:1.2\nProtocol_Mode:Server\nFormat:Shogi 1.0\n"
           "Declaration:Jishogi 1.1\nGame_ID:g1\nName+:nagi\nName-:gps\nYour_Turn:" +
           std::string(1, yourTurn) + "\nRematch_On_Draw:NO\nTo_Move:+\nMax_Moves:256\n" + time +
           "BEGIN Position\nPI\n+\n" + moves + "END Position\nEND Game_Summary\n";
}

struct Fixture {
    RecordingHost host;
    CsaSession session;
    std::int64_t now = 0;
    explicit Fixture(CsaSettings settings = {"nagi", "g-600-10,secret"})
        : session(std::move(settings), host) {}
    void feed(const std::string &text) { session.bytesReceived(text, now); }
    // Logged in and playing the game of `summary`.
    void startGame(const std::string &summary) {
        session.connected(now);
        feed("LOGIN:nagi OK\n" + summary + "START:g1\n");
    }
};

TEST(CsaSession, PlaysAWholeGameFromLoginToLogoutOnEitherSide) {
    for (char side : {'+', '-'}) {
        SCOPED_TRACE(side);
        Fixture f;
        f.session.connected(0);
        EXPECT_EQ(f.host.takeSent(), Lines{"LOGIN nagi g-600-10,secret"});
        f.feed("LOGIN:nagi OK\n");
        EXPECT_EQ(f.session.state(), CsaState::Waiting);
        f.feed(summaryText(side));
        EXPECT_EQ(f.host.takeSent(), Lines{"AGREE"});
        f.feed("START:g1\n");
        EXPECT_EQ(f.host.starts, 1);
        if (side == '-') f.feed("+7776FU,T3\n");
        EXPECT_EQ(f.host.turns, 1);
        const std::string mine = side == '+' ? "+2726FU" : "-3334FU";
        EXPECT_EQ(f.session.engineAnswer(best(side == '+' ? "2g2f" : "3c3d"), f.now), "");
        EXPECT_EQ(f.host.takeSent(), Lines{mine});
        // Nothing more goes until the server has confirmed the move.
        EXPECT_EQ(f.session.resign(f.now), "サーバの返事を待っています");
        f.feed(mine + ",T4\n");
        f.feed(side == '+' ? "-3334FU,T1\n" : "+2726FU,T1\n");
        EXPECT_EQ(f.session.resign(f.now), "");
        f.feed("%TORYO,T2\n#RESIGN\n#LOSE\n");
        ASSERT_EQ(f.host.ends.size(), 1u);
        EXPECT_EQ(f.host.ends[0].outcome, CsaOutcome::Lose);
        EXPECT_EQ(f.host.ends[0].winner, side == '+' ? GOTE : SENTE);
        f.session.logout(f.now);
        f.feed("LOGOUT:completed\n");
        EXPECT_EQ(f.host.takeSent(), (Lines{"%TORYO", "LOGOUT"}));
        EXPECT_EQ(f.session.state(), CsaState::Closed);
        EXPECT_EQ(f.host.closes, 1);
        EXPECT_TRUE(f.host.faults.empty());
        const std::string record = f.session.recordText();
        EXPECT_EQ(record.substr(0, 5), "V3.0\n");
        for (const char *part :
             {"N+nagi\nN-gps\n", "$EVENT:g1\n", "$TIME:600+10+0\n", "$START_TIME:2026/12/08",
              side == '+' ? "PI\n+\n+2726FU\nT4\n-3334FU\nT1\n%TORYO\nT2\n"
                          : "PI\n+\n+7776FU\nT3\n-3334FU\nT4\n+2726FU\nT1\n%TORYO\nT2\n"})
            EXPECT_NE(record.find(part), std::string::npos) << part << "\n" << record;
        EXPECT_EQ(record.find("secret"), std::string::npos);
    }
}

// Each form of the Time block, and what an engine to move is told: the network margin (1 s) comes
// off the byoyomi, or off the mover's own time without one; the moves already played count.
TEST(CsaSession, TellsTheEngineTheServersClock) {
    const struct {
        const char *time, *moves;
        CsaTimeRule sente, gote;
        UsiGo go;
        const char *header;
    } rows[] = {
        {kTime,
         "",
         {1000, 600000, 10000},
         {1000, 600000, 10000},
         UsiGo::clocks(600000, 600000, 9000),
         "$TIME:600+10+0"},
        {"BEGIN Time\nTime_Unit:1msec\nTotal_Time:60000\nIncrement:2500\nLeast_Time_Per_Move:0\nEND Time\n",
         "",
         {1, 60000, 0, 2500},
         {1, 60000, 0, 2500},
         UsiGo::clocks(59000, 60000, 0, 2500, 2500),
         "$TIME:60+0+2.5"},
        {"BEGIN Time\nTime_Unit:1min\nTotal_Time:10\nEND Time\n",
         "",
         {60000, 600000},
         {60000, 600000},
         UsiGo::clocks(599000, 600000, 0),
         "$TIME:600+0+0"},
        {"BEGIN Time+\nTime_Unit:1sec\nTotal_Time:300\nByoyomi:10\nEND Time+\n"
         "BEGIN Time-\nTime_Unit:1sec\nTotal_Time:900\nByoyomi:10\nEND Time-\n",
         "",
         {1000, 300000, 10000},
         {1000, 900000, 10000},
         UsiGo::clocks(300000, 900000, 9000),
         "$TIME-:900+10+0"},
        // Moves played before the game: their times are the server's.
        {kTime,
         "+7776FU,T12\n-3334FU,T6\n",
         {1000, 600000, 10000},
         {1000, 600000, 10000},
         UsiGo::clocks(588000, 594000, 9000),
         "+7776FU\nT12\n-3334FU\nT6\n"},
        // Each move costs at least Least_Time_Per_Move, though the record keeps the time reported;
        // rounding up costs the engine a unit of its byoyomi besides the margin.
        {"BEGIN Time\nTime_Unit:1sec\nTotal_Time:600\nByoyomi:10\nLeast_Time_Per_Move:2\nTime_Roundup:YES\n"
         "END Time\n",
         "+7776FU,T0\n-3334FU,T3\n",
         {1000, 600000, 10000, 0, 2000, true},
         {1000, 600000, 10000, 0, 2000, true},
         UsiGo::clocks(598000, 597000, 8000),
         "+7776FU\nT0\n-3334FU\nT3\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.time);
        Fixture f;
        f.startGame(summaryText('+', row.time, row.moves));
        ASSERT_EQ(f.session.state(), CsaState::Playing) << (f.host.faults.empty() ? "" : f.host.faults[0]);
        EXPECT_EQ(f.session.summary().time[SENTE], row.sente);
        EXPECT_EQ(f.session.summary().time[GOTE], row.gote);
        EXPECT_EQ(f.session.engineGo(f.now), row.go);
        EXPECT_NE(f.session.recordText().find(row.header), std::string::npos) << f.session.recordText();
    }
    // Then each move's time, as the server reports it, and the increment after it.
    Fixture f({"nagi", "pw", 0, false, 500});
    f.startGame(summaryText('-', "BEGIN Time\nTime_Unit:1sec\nTotal_Time:60\nIncrement:5\nEND Time\n"));
    f.now = 99999;  // the session's own clock never counts
    f.feed("+7776FU,T20\n");
    EXPECT_EQ(f.session.engineGo(f.now), UsiGo::clocks(45000, 59500, 0, 5000, 5000));
    EXPECT_EQ(f.session.positionCommand(),
              "position sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1 moves 7g7f");
    f.session.engineAnswer(best("3c3d"), f.now);
    f.feed("-3334FU,T70\n+2726FU,T1\n");
    EXPECT_EQ(f.session.remainingMs(GOTE), 0);
    EXPECT_EQ(f.session.engineGo(f.now), UsiGo::clocks(49000, 0, 0, 5000, 5000));
}

// The running move on the fake clock, charged as shogi-server charges it: whole units, the fraction
// dropped (rounded up with Time_Roundup), never less than Least_Time_Per_Move; the main time first,
// then the byoyomi. The engine asked late is told the moment's time, less the margin and, when
// rounding up, the unit a fraction would cost.
TEST(CsaSession, ChargesTheRunningMoveAsTheServerWill) {
    const std::string byoyomi = "Total_Time:10\nByoyomi:5\n", increment = "Total_Time:60\nIncrement:10\n";
    const std::string up = "Time_Roundup:YES\n";
    const struct {
        std::string time;
        std::int64_t elapsedMs;
        CsaClockReading clock;
        UsiGo go;
    } rows[] = {
        {byoyomi, 2500, {8000, 5000}, UsiGo::clocks(7500, 10000, 4000)},
        {byoyomi + up, 2500, {7000, 5000}, UsiGo::clocks(7500, 10000, 3000)},
        {byoyomi + "Least_Time_Per_Move:5\n", 2500, {5000, 5000}, UsiGo::clocks(7500, 10000, 4000)},
        {byoyomi, 12500, {0, 3000}, UsiGo::clocks(0, 10000, 1500)},
        {byoyomi + up, 14200, {0, 0}, UsiGo::clocks(0, 10000, 0)},
        {increment + up, 1200, {58000, 0}, UsiGo::clocks(56800, 60000, 0, 10000, 10000)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.time);
        Fixture f;
        f.now = 1000;
        f.startGame(summaryText('+', "BEGIN Time\n" + row.time + "END Time\n"));
        ASSERT_EQ(f.session.state(), CsaState::Playing) << (f.host.faults.empty() ? "" : f.host.faults[0]);
        f.now += row.elapsedMs;
        EXPECT_EQ(f.session.clockAt(SENTE, f.now), row.clock);
        EXPECT_EQ(f.session.engineGo(f.now), row.go);
        // The side not to move stands still.
        EXPECT_EQ(f.session.clockAt(GOTE, f.now), f.session.clockAt(GOTE, 0));
    }
}

// Every result line, the outcome after it, and the end word the record keeps.
TEST(CsaSession, EndsTheGameOnEveryResult) {
    const struct {
        const char *lines;
        CsaOutcome outcome;
        const char *text, *recordEnd;
    } rows[] = {
        {"%TORYO\n#RESIGN\n#WIN\n", CsaOutcome::Win, "投了", "%TORYO"},
        {"#TIME_UP\n#LOSE\n", CsaOutcome::Lose, "時間切れ", "%TIME_UP"},
        {"#SENNICHITE\n#DRAW\n", CsaOutcome::Draw, "千日手", "%SENNICHITE"},
        {"#OUTE_SENNICHITE\n#LOSE\n", CsaOutcome::Lose, "連続王手の千日手", "%+ILLEGAL_ACTION"},
        {"#ILLEGAL_MOVE\n#WIN\n", CsaOutcome::Win, "反則", "%-ILLEGAL_ACTION"},
        {"#ILLEGAL_ACTION\n#LOSE\n", CsaOutcome::Lose, "反則", "%+ILLEGAL_ACTION"},
        {"#JISHOGI\n#DRAW\n", CsaOutcome::Draw, "持将棋", "%JISHOGI"},
        {"#MAX_MOVES\n#CENSORED\n", CsaOutcome::Censored, "最大手数", "%MAX_MOVES"},
        {"#CENSORED\n", CsaOutcome::Censored, "打ち切り", "%CHUDAN"},
        {"#CHUDAN\n", CsaOutcome::None, "中断", "%CHUDAN"},
        {"", CsaOutcome::None, "通信が切れました", "%CHUDAN"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.lines);
        Fixture f;
        f.startGame(summaryText('+'));
        if (*row.lines)
            f.feed(row.lines);
        else
            f.session.connectionLost(f.now);
        ASSERT_EQ(f.host.ends.size(), 1u);
        EXPECT_EQ(f.host.ends[0].outcome, row.outcome);
        EXPECT_EQ(f.host.ends[0].text, row.text);
        EXPECT_EQ(f.host.faults, *row.lines ? Lines{} : Lines{"通信が切れました"});
        const std::string record = f.session.recordText();
        EXPECT_NE(record.find(std::string("+\n") + row.recordEnd + "\n"), std::string::npos) << record;
        // Nothing after the end changes it, nor may a move be sent.
        f.feed("#WIN\n-3334FU,T1\n");
        EXPECT_EQ(f.host.ends.size(), 1u);
        EXPECT_NE(f.session.play(Move{squareAt(6, 2), squareAt(5, 2)}, f.now), "");
    }
    // A declaration that wins.
    Fixture f;
    f.startGame(summaryText('+'));
    EXPECT_EQ(f.session.engineAnswer(UsiBestMove{"", "", false, true}, f.now), "");
    f.feed("%KACHI,T4\n#JISHOGI\n#WIN\n");
    EXPECT_EQ(f.host.takeSent().back(), "%KACHI");
    EXPECT_NE(f.session.recordText().find("+\n%KACHI\nT4\n"), std::string::npos) << f.session.recordText();
    // The side whose time ran out reads nothing left, whatever it had as its move began.
    Fixture t;
    t.startGame(summaryText('+'));
    t.feed("#TIME_UP\n#LOSE\n");
    EXPECT_EQ(t.session.clockAt(SENTE, t.now), CsaClockReading{});
    EXPECT_EQ(t.session.clockAt(GOTE, t.now), (CsaClockReading{600000, 10000}));
}

// The login refused, a server that never answers, summaries that cannot be played, garbage and
// lines cut anywhere.
TEST(CsaSession, GivesItsReasonAndSurvivesAnything) {
    const struct {
        std::string server;
        std::int64_t waitMs;
        Lines sent;
        const char *fault;
    } rows[] = {
        {"LOGIN:incorrect\n",
         0,
         {"LOGIN nagi g-600-10,secret"},
         "ログインできません（ID かパスワードが違います）"},
        {"", 15000, {"LOGIN nagi g-600-10,secret"}, "サーバが応答しません（ログインの返事がありません）"},
        {"LOGIN:nagi OK\nBEGIN Game_Summary\nGame_ID:x\n",
         15000,
         {"LOGIN nagi g-600-10,secret"},
         "サーバが応答しません（対局条件が途中で止まりました）"},
        {"LOGIN:nagi OK\n" + summaryText('+', "BEGIN Time\nTime_Unit:1hour\nTotal_Time:1\nEND Time\n"),
         0,
         {"LOGIN nagi g-600-10,secret", "REJECT"},
         "対局条件を受けられません: Time_Unit が読めません「1hour」"},
        {"LOGIN:nagi OK\n" + summaryText('+', kTime, "+5576FU,T1\n"),
         0,
         {"LOGIN nagi g-600-10,secret", "REJECT"},
         "対局条件を受けられません: 局面が読めません: 3行目: 移動元に駒がありません「+5576FU」"},
        {"LOGIN:nagi OK\nBEGIN Game_Summary\nFormat:Chess\nGame_ID:x\nName+:a\nName-:b\nYour_Turn:+\n"
         "BEGIN Position\nPI\n+\nEND Position\nEND Game_Summary\n",
         0,
         {"LOGIN nagi g-600-10,secret", "REJECT"},
         "対局条件を受けられません: 知らない対局の形式です「Chess」"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fault);
        Fixture f;
        f.session.connected(0);
        f.feed(row.server);
        f.session.tick(row.waitMs - 1);
        f.session.tick(row.waitMs);
        EXPECT_EQ(f.host.takeSent(), row.sent);
        EXPECT_EQ(f.host.faults, Lines{row.fault});
        EXPECT_EQ(f.host.closes, 1);
        EXPECT_EQ(f.session.state(), CsaState::Closed);
    }
    // Garbage and a line cut in the middle: the game goes on.
    Fixture f;
    f.session.connected(0);
    const std::string text = "LOGIN:nagi OK\r\n##[CHAT] hello\n" + summaryText('-') +
                             "START:g1\n\ngarbage \x01\xff\n" + std::string(70000, 'x') + "\n+7776FU,T3\n";
    for (std::size_t at = 0; at < text.size(); at += 7) f.feed(text.substr(at, 7));
    EXPECT_EQ(f.session.state(), CsaState::Playing);
    EXPECT_EQ(f.session.game().history().size(), 1u);
    EXPECT_TRUE(f.session.ourTurn());
    EXPECT_EQ(f.host.notes.size(), 1u);
    // A move that does not fit the board is the server's fault, and the game so far is kept.
    f.feed("+2726FU,T1\n");
    EXPECT_EQ(f.host.faults, Lines{"サーバの指し手が盤面と合いません「+2726FU,T1」"});
    EXPECT_NE(f.session.recordText().find("+7776FU\nT3\n%CHUDAN\n"), std::string::npos);
}

TEST(CsaSession, KeepsAliveNoMoreOftenThanThirtySeconds) {
    Fixture f({"nagi", "pw", 10000});
    f.session.connected(0);
    f.feed("LOGIN:nagi OK\n");
    EXPECT_EQ(f.session.deadline(), 30000);
    f.session.tick(29999);
    f.session.tick(30000);
    f.session.tick(30001);
    EXPECT_EQ(f.host.takeSent(), (Lines{"LOGIN nagi pw", ""}));
    EXPECT_EQ(f.session.deadline(), 60000);
}

// Floodgate's reading comment: the score from sente's view, the reading after the move in CSA moves.
TEST(CsaSession, SendsFloodgateReadingComments) {
    const struct {
        char side;
        const char *before, *score, *pv, *best, *sent;
    } rows[] = {
        {'+', "", "30", "7g7f 3c3d 2g2f", "7g7f", "+7776FU,'* 30 -3334FU +2726FU"},
        {'-', "+7776FU,T1\n", "50", "3c3d 2g2f", "3c3d", "-3334FU,'* -50 +2726FU"},
        {'+', "", "mate 3", "7g7f", "7g7f", "+7776FU,'* 100000"},
        {'+', "", "12", "2g2f", "7g7f", "+7776FU,'* 12"},  // a reading of another move: its score alone
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.sent);
        Fixture f({"nagi", "pw", 0, true});
        f.startGame(summaryText(row.side));
        f.feed(row.before);
        f.host.takeSent();
        UsiInfo info;
        const std::string score = row.score;
        info.score = score.starts_with("mate") ? UsiScore{true, 3} : UsiScore{false, std::stoi(score)};
        for (std::string pv = row.pv; !pv.empty();) {
            info.pv.push_back(pv.substr(0, pv.find(' ')));
            pv = pv.find(' ') == std::string::npos ? "" : pv.substr(pv.find(' ') + 1);
        }
        f.session.engineInfo(info);
        EXPECT_EQ(f.session.engineAnswer(best(row.best), f.now), "");
        EXPECT_EQ(f.host.takeSent(), Lines{row.sent});
        // The record keeps the comment where the server's record has it.
        f.feed(std::string(row.sent).substr(0, 7) + ",T2\n");
        EXPECT_NE(f.session.recordText().find("\n'*" + std::string(row.sent).substr(9) + "\n"),
                  std::string::npos);
    }
}

TEST(CsaSession, ChecksLoginsAndHidesThePassword) {
    const struct {
        const char *id, *password;
        bool floodgate;
        const char *problem;
    } rows[] = {
        {"nagi_1-x", "floodgate-300-10F,trip", true, ""},
        {"nagi", "floodgate-600-10,trip", true, ""},
        {"", "pw", false, "ID がありません"},
        {"na gi", "pw", false, "ID に使えるのは英数字と _ と - だけです"},
        {"abcdefghijabcdefghijabcdefghijabc", "pw", false, "ID は32文字までです"},
        {"nagi", "p w", false, "パスワードに空白や英数字・記号以外の文字は使えません"},
        {"nagi", "trip", true,
         "Floodgate のパスワードは「対局名,トリップ」（例: floodgate-300-10F,trip）の形です"},
        {"nagi", "floodgate-300,trip", true,
         "Floodgate の対局名は「名前-持ち時間-秒読み」（例: floodgate-300-10F）の形です"},
        {"nagi", "floodgate-5m-10F,trip", true,
         "Floodgate の対局名の持ち時間と秒読みは秒の数です（例: floodgate-300-10F）"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(csaLoginProblem(row.id, row.password, row.floodgate), row.problem) << row.password;
    EXPECT_EQ(csaLoggableLine("LOGIN nagi floodgate-300-10F,trip"), "LOGIN nagi floodgate-300-10F,********");
    EXPECT_EQ(csaLoggableLine("LOGIN nagi secret"), "LOGIN nagi ********");
    EXPECT_EQ(csaLoggableLine("+7776FU"), "+7776FU");
    // A password the server could not read is refused before it goes anywhere.
    Fixture f({"nagi", "se cret"});
    f.session.connected(0);
    EXPECT_TRUE(f.host.sent.empty());
    ASSERT_EQ(f.host.faults.size(), 1u);
    EXPECT_EQ(f.host.faults[0].find("cret"), std::string::npos);
}

}  // namespace

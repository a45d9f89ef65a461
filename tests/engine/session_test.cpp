// The engine state machine, driven by recorded transcripts of real engines and by a clock the test
// moves by hand.
#include "engine/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>

namespace {

using Lines = std::vector<std::string>;

// Records what the session does.
struct RecordingHost : EngineSessionHost {
    std::deque<std::string> sent;
    std::vector<UsiInfo> infos;
    std::vector<UsiBestMove> bests;
    Lines faults;
    int kills = 0;

    void sendLine(const std::string &line) override { sent.push_back(line); }
    void killProcess() override { ++kills; }
    void searchInfo(const UsiInfo &info) override { infos.push_back(info); }
    void searchEnded(const UsiBestMove &best) override { bests.push_back(best); }
    void engineFault(const std::string &reason) override { faults.push_back(reason); }
    void stateChanged(EngineState) override {}
    Lines takeSent() {
        Lines lines(sent.begin(), sent.end());
        sent.clear();
        return lines;
    }
};

// Replays a transcript: "@call" drives the session, "< line" is what the engine printed, and every
// "> line" must be exactly the next command the session sent.
TEST(EngineSession, ReplaysRealTranscripts) {
    const struct {
        const char *file, *engine, *name;
        std::size_t options, bests;  // bestmoves of searches still current when they came
    } rows[] = {
        {"fairy-stockfish.txt", "/usr/games/fairy-stockfish", "Fairy-Stockfish 11.1 LB 64", 25, 0},
        // gpsusi ends an infinite search by itself when it finds a mate.
        {"gpsusi.txt", "/usr/games/gpsusi", "gpsshogi (smp) vm r3033 wordsize 64 gcc 12.2.0", 9, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        std::ifstream in(std::string(NAGI_TRANSCRIPTS) + "/" + row.file);
        ASSERT_TRUE(in) << "the transcript is part of the tests";
        RecordingHost host;
        EngineSession session(profileFor(row.engine), host);
        std::int64_t now = 0;
        for (std::string line; std::getline(in, line); session.tick(now += 5)) {
            const std::string rest = line.substr(std::min<std::size_t>(line.find(' ') + 1, line.size()));
            if (line == "@start") session.start(now);
            if (line.rfind("@analyse ", 0) == 0) session.analyse(rest, UsiGo::infinite(), now);
            if (line.rfind("@setoption ", 0) == 0) session.setOption("MultiPV", rest.substr(8), now);
            if (line == "@stop") session.stop(now);
            if (line == "@quit") session.quit(now);
            if (line.rfind("< ", 0) == 0) session.lineReceived(rest, now);
            if (line.rfind("> ", 0) == 0) {
                ASSERT_FALSE(host.sent.empty()) << "expected " << line;
                EXPECT_EQ(host.sent.front(), rest);
                host.sent.pop_front();
            }
        }
        EXPECT_TRUE(host.sent.empty());
        EXPECT_EQ(session.engineName(), row.name);
        EXPECT_EQ(session.options().size(), row.options);
        EXPECT_EQ(host.bests.size(), row.bests);
        // Only the current search's lines come through: the last first line is the mate position's.
        auto first = std::find_if(host.infos.rbegin(), host.infos.rend(), [](const UsiInfo &info) {
            return info.multipv.value_or(1) == 1 && info.score;
        });
        ASSERT_NE(first, host.infos.rend());
        EXPECT_TRUE(first->score->mate && first->score->value > 0);
        EXPECT_EQ(first->pv.front(), "G*5b");
        session.processEnded(now + 10);
        EXPECT_TRUE(host.faults.empty());
        EXPECT_EQ(host.kills, 0);
        EXPECT_EQ(session.state(), EngineState::Ended);
    }
}

// Brings a session to Idle at time 0.
void startIdle(EngineSession &session, RecordingHost &host) {
    session.start(0);
    session.lineReceived("usiok", 0);
    session.lineReceived("readyok", 0);
    host.takeSent();
}

TEST(EngineSession, NewPositionDuringSearchSendsOneStopThenTheLatest) {
    RecordingHost host;
    EngineSession session(profileFor("/opt/my-engine"), host);
    startIdle(session, host);
    session.analyse("position sfen A", UsiGo::infinite(), 1);
    EXPECT_EQ(host.takeSent(), (Lines{"usinewgame", "position sfen A", "go infinite"}));
    session.analyse("position sfen B", UsiGo::infinite(), 2);
    session.setOption("MultiPV", "2", 3);
    session.analyse("position sfen C", UsiGo::infinite(), 4);
    EXPECT_EQ(host.takeSent(), (Lines{"stop"}));
    session.lineReceived("info depth 9 score cp 5 pv 7g7f", 5);
    session.lineReceived("bestmove 7g7f", 6);
    EXPECT_TRUE(host.infos.empty() && host.bests.empty()) << "the old search's lines are dropped";
    EXPECT_EQ(host.takeSent(), (Lines{"setoption name MultiPV value 2", "position sfen C", "go infinite"}));
    session.lineReceived("info depth 1 score cp 5 pv 7g7f", 7);
    EXPECT_EQ(host.infos.size(), 1u);
    session.stop(8);
    session.lineReceived("bestmove 7g7f", 9);
    EXPECT_TRUE(host.bests.empty()) << "a stopped search's answer is old news";
    EXPECT_EQ(session.state(), EngineState::Idle);
}

// Each request brings its own search length; a run's first search, and the first after newGame
// (which asks "isready" again), starts with "usinewgame".
TEST(EngineSession, EachRequestBringsItsGoAndEachRunStartsANewGame) {
    const struct {
        const char *engine;
        UsiGo go;
        const char *command;
    } rows[] = {
        {"/opt/engine", UsiGo::infinite(), "go infinite"},
        {"/opt/engine", UsiGo::moveTime(200), "go btime 0 wtime 0 byoyomi 200"},
        {"/usr/games/fairy-stockfish", UsiGo::moveTime(200), "go movetime 200"},
        {"/opt/engine", UsiGo::clocks(60000, 30000, 10000), "go btime 60000 wtime 30000 byoyomi 10000"},
        {"/opt/engine", UsiGo::clocks(60000, 30000, 0, 2000, 3000),
         "go btime 60000 wtime 30000 binc 2000 winc 3000"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.command);
        RecordingHost host;
        EngineSession session(profileFor(row.engine), host);
        startIdle(session, host);
        session.analyse("position sfen A", row.go, 1);
        EXPECT_EQ(host.takeSent(), (Lines{"usinewgame", "position sfen A", row.command}));
        session.lineReceived("bestmove 7g7f", 2);
        session.analyse("position sfen B", row.go, 3);
        EXPECT_EQ(host.takeSent(), (Lines{"position sfen B", row.command}));
        session.newGame(4);
        session.lineReceived("bestmove 7g7f", 5);
        session.analyse("position sfen C", row.go, 6);
        EXPECT_EQ(host.takeSent(), (Lines{"isready"}));
        session.lineReceived("readyok", 7);
        EXPECT_EQ(host.takeSent(), (Lines{"usinewgame", "position sfen C", row.command}));
        EXPECT_EQ(host.bests.size(), 2u);
    }
}

// The game's end reaches the engine once: after its search is stopped, or at once when it is idle;
// an engine that is still starting or already ending hears nothing.
TEST(EngineSession, GameOverStopsTheSearchFirst) {
    const struct {
        int step;  // 0 starting, 1 idle, 2 searching, 3 quitting
        Lines sent;
    } rows[] = {
        {0, {}},
        {1, {"gameover win"}},
        {2, {"stop", "gameover win"}},
        {3, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.step);
        RecordingHost host;
        EngineSession session(profileFor("/opt/engine"), host);
        if (row.step == 0) session.start(0);
        if (row.step > 0) startIdle(session, host);
        if (row.step == 2) session.analyse("position startpos", UsiGo::clocks(1000, 1000, 1000), 1);
        if (row.step == 3) session.quit(1);
        host.takeSent();
        session.gameOver("win", 2);
        EXPECT_EQ(host.takeSent(), row.sent);
    }
}

// Requests before "readyok" wait; a generic engine that names itself gets its profile.
TEST(EngineSession, RequestsBeforeTheEngineIsReadyWait) {
    RecordingHost host;
    EngineSession session(profileFor("/home/me/bin/engine"), host);
    session.start(0);
    session.setOption("Thread", "1", 1);
    session.analyse("position sfen A", UsiGo::infinite(), 2);
    session.lineReceived("id name gpsshogi (smp)", 3);
    EXPECT_EQ(session.profile().key, "gpsusi");
    session.lineReceived("usiok", 3);
    EXPECT_EQ(host.takeSent(), (Lines{"usi", "setoption name BookDepth value 0", "isready"}));
    session.lineReceived("readyok", 4);
    EXPECT_EQ(host.takeSent(),
              (Lines{"setoption name Thread value 1", "usinewgame", "position sfen A", "go infinite"}));
}

TEST(EngineSession, WatchdogsKillWithAReason) {
    const struct {
        // 0 usi sent, 1 usiok came, 2 searching then stop, 3 searching then a new position, 4 quit,
        // 5 a 200 ms search that forgets its time: stopped 1 s + 0.2 s + 5 s after its start
        int step;
        const char *reason;
    } rows[] = {{0, "usi に 10 秒"}, {1, "isready に 10 秒"}, {2, "stop に 5 秒"},
                {3, "stop に 5 秒"}, {4, "quit の後 5 秒"},   {5, "stop に 5 秒"}};
    for (const auto &row : rows) {
        RecordingHost host;
        EngineSession session(profileFor("/opt/engine"), host);
        session.start(0);
        if (row.step == 1) session.lineReceived("usiok", 0);
        if (row.step >= 2) startIdle(session, host);
        if (row.step >= 2 && row.step <= 4) session.analyse("position startpos", UsiGo::infinite(), 0);
        if (row.step == 2) session.stop(0);
        if (row.step == 3) session.analyse("position startpos moves 7g7f", UsiGo::infinite(), 0);
        if (row.step == 4) session.quit(0);
        if (row.step == 5) {
            session.analyse("position startpos moves 7g7f", UsiGo::moveTime(200), 100);
            host.takeSent();
            session.tick(100 + 6199);
            EXPECT_TRUE(host.sent.empty());
            session.tick(100 + 6200);
            EXPECT_EQ(host.takeSent(), (Lines{"stop"}));
        }
        const std::int64_t allowed = *session.deadline();
        // A stream of lines that are not the answer does not feed the watchdog.
        for (std::int64_t t = 0; t < allowed; t += 500)
            session.lineReceived("info string thinking", t), session.tick(t);
        session.tick(allowed - 1);
        EXPECT_EQ(host.kills, 0);
        session.tick(allowed);
        EXPECT_EQ(host.kills, 1);
        ASSERT_EQ(host.faults.size(), 1u);
        EXPECT_NE(host.faults[0].find(row.reason), std::string::npos) << host.faults[0];
        EXPECT_NE(host.faults[0].find("最後に届いた行: info string thinking"), std::string::npos)
            << host.faults[0];
        session.processEnded(allowed + 1);
        session.tick(allowed * 10);
        EXPECT_EQ(host.faults.size(), 1u) << "the kill it asked for is no second fault";
        EXPECT_EQ(host.kills, 1);
        EXPECT_EQ(session.state(), EngineState::Ended);
    }
}

// An exit nobody asked for is a fault, and nothing more is sent to the ended process.
TEST(EngineSession, AnExitNobodyAskedForIsAFault) {
    const char *const reasons[] = {"起動中", "起動中", "エンジンが終了しました", "探索中"};
    for (int step = 0; step < 4; ++step) {
        RecordingHost host;
        EngineSession session(profileFor("/opt/engine"), host);
        session.start(0);
        if (step > 0) session.lineReceived("usiok", 1);
        if (step > 1) session.lineReceived("readyok", 2);
        if (step > 2) session.analyse("position startpos", UsiGo::infinite(), 3);
        session.processEnded(4);
        host.takeSent();
        session.analyse("position startpos", UsiGo::infinite(), 5);
        EXPECT_TRUE(host.sent.empty());
        ASSERT_EQ(host.faults.size(), 1u);
        EXPECT_NE(host.faults[0].find(reasons[step]), std::string::npos) << host.faults[0];
    }
}

}  // namespace

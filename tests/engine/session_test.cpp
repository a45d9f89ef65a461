// The engine state machine, driven by recorded transcripts of real engines and by a clock the test
// moves by hand.
#include "engine/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Records what the session does.
struct RecordingHost : EngineSessionHost {
    std::deque<std::string> sent;
    std::vector<UsiInfo> infos;
    std::vector<UsiBestMove> bests;
    std::vector<std::string> faults;
    int kills = 0;

    void sendLine(const std::string &line) override { sent.push_back(line); }
    void killProcess() override { ++kills; }
    void searchInfo(const UsiInfo &info) override { infos.push_back(info); }
    void searchEnded(const UsiBestMove &best) override { bests.push_back(best); }
    void engineFault(const std::string &reason) override { faults.push_back(reason); }
    void stateChanged(EngineState) override {}

    std::vector<std::string> takeSent() {
        std::vector<std::string> lines(sent.begin(), sent.end());
        sent.clear();
        return lines;
    }
};

struct TranscriptRow {
    const char *file;
    const char *engine;  // the path the profile is chosen by
    const char *name;
    std::size_t options;
    std::size_t bests;  // bestmoves of searches still current when they arrived
    bool endsWithMate;  // the last info line reports a mate for the side to move
};

// Replays a transcript: "@call" drives the session, "< line" is what the engine printed, and every
// "> line" must be exactly the next command the session sent.
TEST(EngineSession, ReplaysRealTranscripts) {
    const TranscriptRow rows[] = {
        {"fairy-stockfish.txt", "/usr/games/fairy-stockfish", "Fairy-Stockfish 11.1 LB 64", 25, 0, true},
        {"gpsusi.txt", "/usr/games/gpsusi", "gpsshogi (smp) vm r3033 wordsize 64 gcc 12.2.0", 9, 1, true},
    };
    for (const TranscriptRow &row : rows) {
        SCOPED_TRACE(row.file);
        std::ifstream in(std::string(NAGI_TRANSCRIPTS) + "/" + row.file);
        ASSERT_TRUE(in) << "the transcript is part of the tests";
        RecordingHost host;
        EngineSession session(profileFor(row.engine), host);
        std::int64_t now = 0;
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            SCOPED_TRACE(number);
            now += 5;
            if (line.rfind("@start", 0) == 0) {
                session.start(now);
            } else if (line.rfind("@analyse ", 0) == 0) {
                session.analyse(line.substr(9), now);
            } else if (line.rfind("@setoption ", 0) == 0) {
                const std::size_t space = line.find(' ', 11);
                session.setOption(line.substr(11, space - 11), line.substr(space + 1), now);
            } else if (line == "@stop") {
                session.stop(now);
            } else if (line == "@quit") {
                session.quit(now);
            } else if (line.rfind("< ", 0) == 0) {
                session.lineReceived(line.substr(2), now);
            } else if (line.rfind("> ", 0) == 0) {
                ASSERT_FALSE(host.sent.empty()) << "expected " << line;
                EXPECT_EQ("> " + host.sent.front(), line);
                host.sent.pop_front();
            }
            session.tick(now);
        }
        EXPECT_TRUE(host.sent.empty());
        EXPECT_TRUE(host.faults.empty());
        EXPECT_EQ(host.kills, 0);
        EXPECT_EQ(session.engineName(), row.name);
        EXPECT_EQ(session.options().size(), row.options);
        EXPECT_EQ(host.bests.size(), row.bests);
        ASSERT_FALSE(host.infos.empty());
        // Only the current search's lines come through: the last first line is the mate position's.
        auto first = std::find_if(host.infos.rbegin(), host.infos.rend(), [](const UsiInfo &info) {
            return info.multipv.value_or(1) == 1 && info.score;
        });
        ASSERT_NE(first, host.infos.rend());
        const UsiInfo &last = *first;
        ASSERT_TRUE(last.score);
        EXPECT_EQ(last.score->mate && last.score->value > 0, row.endsWithMate);
        EXPECT_EQ(last.pv.front(), "G*5b");
        EXPECT_EQ(session.state(), EngineState::Quitting);
        session.processEnded(now + 10);
        EXPECT_TRUE(host.faults.empty());
        EXPECT_EQ(session.state(), EngineState::Ended);
    }
}

// Brings a session to Idle; returns the time it reached it.
std::int64_t startIdle(EngineSession &session, RecordingHost &host) {
    session.start(0);
    session.lineReceived("usiok", 10);
    session.lineReceived("readyok", 20);
    host.takeSent();
    return 20;
}

TEST(EngineSession, NewPositionDuringSearchSendsOneStopThenTheLatest) {
    RecordingHost host;
    EngineSession session(profileFor("/opt/my-engine"), host);
    std::int64_t now = startIdle(session, host);
    session.analyse("position sfen A", now);
    EXPECT_EQ(host.takeSent(), (std::vector<std::string>{"position sfen A", "go infinite"}));
    session.analyse("position sfen B", now);
    session.setOption("MultiPV", "2", now);
    session.analyse("position sfen C", now);
    EXPECT_EQ(host.takeSent(), (std::vector<std::string>{"stop"}));
    EXPECT_EQ(session.state(), EngineState::Stopping);
    session.lineReceived("info depth 9 score cp 5 pv 7g7f", now);
    EXPECT_TRUE(host.infos.empty()) << "lines of the old search are dropped";
    session.lineReceived("bestmove 7g7f", now);
    EXPECT_TRUE(host.bests.empty()) << "the old search's bestmove is not reported";
    EXPECT_EQ(host.takeSent(),
              (std::vector<std::string>{"setoption name MultiPV value 2", "position sfen C", "go infinite"}));
    session.lineReceived("info depth 1 score cp 5 pv 7g7f", now);
    EXPECT_EQ(host.infos.size(), 1u);
    session.stop(now);
    session.lineReceived("bestmove 7g7f", now);
    EXPECT_EQ(host.bests.size(), 0u) << "a stopped search's answer is old news";
    EXPECT_EQ(session.state(), EngineState::Idle);
}

TEST(EngineSession, RequestsBeforeTheEngineIsReadyWait) {
    RecordingHost host;
    EngineSession session(profileFor("/usr/games/gpsusi"), host);
    session.start(0);
    session.setOption("Thread", "1", 1);
    session.analyse("position sfen A", 2);
    session.lineReceived("usiok", 3);
    EXPECT_EQ(host.takeSent(),
              (std::vector<std::string>{"usi", "setoption name BookDepth value 0", "isready"}));
    session.lineReceived("readyok", 4);
    EXPECT_EQ(host.takeSent(),
              (std::vector<std::string>{"setoption name Thread value 1", "position sfen A", "go infinite"}));
}

TEST(EngineSession, WatchdogsKillWithAReason) {
    struct Row {
        const char *what;
        // Drives the session into the watched state at time 0 and returns the allowed time.
        std::int64_t (*setUp)(EngineSession &, RecordingHost &);
        const char *reasonPart;
    };
    const Row rows[] = {
        {"usiok",
         [](EngineSession &s, RecordingHost &) -> std::int64_t {
             s.start(0);
             return s.profile().usiTimeoutMs;
         },
         "usi に 10 秒"},
        {"readyok",
         [](EngineSession &s, RecordingHost &) -> std::int64_t {
             s.start(0);
             s.lineReceived("usiok", 0);
             return s.profile().readyTimeoutMs;
         },
         "isready に 10 秒"},
        {"stop",
         [](EngineSession &s, RecordingHost &h) -> std::int64_t {
             startIdle(s, h);
             s.analyse("position startpos", 0);
             s.stop(0);
             return s.profile().stopTimeoutMs;
         },
         "stop に 5 秒"},
        {"new position",
         [](EngineSession &s, RecordingHost &h) -> std::int64_t {
             startIdle(s, h);
             s.analyse("position startpos", 0);
             s.analyse("position startpos moves 7g7f", 0);
             return s.profile().stopTimeoutMs;
         },
         "stop に 5 秒"},
        {"quit",
         [](EngineSession &s, RecordingHost &h) -> std::int64_t {
             startIdle(s, h);
             s.quit(0);
             return s.profile().quitTimeoutMs;
         },
         "quit の後 5 秒"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        RecordingHost host;
        EngineSession session(profileFor("/opt/engine"), host);
        const std::int64_t allowed = row.setUp(session, host);
        // A stream of lines that are not the answer does not feed the watchdog.
        for (std::int64_t t = 0; t < allowed; t += 500) {
            session.lineReceived("info string still thinking", t);
            session.tick(t);
        }
        session.tick(allowed - 1);
        EXPECT_EQ(host.kills, 0);
        session.tick(allowed);
        EXPECT_EQ(host.kills, 1);
        ASSERT_EQ(host.faults.size(), 1u);
        EXPECT_NE(host.faults[0].find(row.reasonPart), std::string::npos) << host.faults[0];
        session.processEnded(allowed + 1);
        EXPECT_EQ(host.faults.size(), 1u) << "the kill it asked for is no second fault";
        EXPECT_EQ(session.state(), EngineState::Ended);
        session.tick(allowed * 10);
        EXPECT_EQ(host.kills, 1);
    }
}

TEST(EngineSession, AnExitNobodyAskedForIsAFault) {
    struct Row {
        int linesBeforeExit;  // of: usiok, readyok, (analyse), info
        const char *reasonPart;
    };
    const Row rows[] = {{0, "起動中"}, {1, "起動中"}, {2, "終了しました"}, {3, "探索中"}};
    for (const Row &row : rows) {
        RecordingHost host;
        EngineSession session(profileFor("/opt/engine"), host);
        session.start(0);
        if (row.linesBeforeExit > 0) session.lineReceived("usiok", 1);
        if (row.linesBeforeExit > 1) session.lineReceived("readyok", 2);
        if (row.linesBeforeExit > 2) session.analyse("position startpos", 3);
        session.processEnded(4);
        ASSERT_EQ(host.faults.size(), 1u);
        EXPECT_NE(host.faults[0].find(row.reasonPart), std::string::npos) << host.faults[0];
        EXPECT_EQ(session.state(), EngineState::Ended);
        // Nothing is sent to an ended process.
        host.takeSent();
        session.analyse("position startpos", 5);
        session.setOption("Hash", "1", 5);
        EXPECT_TRUE(host.sent.empty());
    }
}

TEST(EngineSession, AGenericEngineThatNamesItselfGetsItsProfile) {
    RecordingHost host;
    EngineSession session(profileFor("/home/me/bin/engine"), host);
    session.start(0);
    session.lineReceived("id name gpsshogi (smp)", 1);
    EXPECT_EQ(session.profile().key, "gpsusi");
    session.lineReceived("usiok", 2);
    EXPECT_EQ(host.takeSent(),
              (std::vector<std::string>{"usi", "setoption name BookDepth value 0", "isready"}));
}

}  // namespace

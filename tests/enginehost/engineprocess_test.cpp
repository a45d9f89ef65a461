// The process host with a scripted fake engine for every fault an engine may commit: each one
// gets a reason, leaves no process behind, and a well-behaved engine starts after it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "engine/pv.h"
#include "enginehost_testing.h"
#include "record/sfen.h"

namespace {

// Short watchdogs, so that a fault shows in well under a second.
EngineProfile quickProfile() {
    EngineProfile profile = profileFor("fake");
    profile.usiTimeoutMs = profile.readyTimeoutMs = profile.stopTimeoutMs = profile.quitTimeoutMs = 400;
    return profile;
}

// The fake engine under a name that selects `mode`.
QString fakeEngine(const QTemporaryDir &dir, const QString &mode) {
    const QString path = dir.filePath("fake_engine-" + mode);
    if (!QFile::exists(path)) QFile::link(QStringLiteral(FAKE_ENGINE), path);
    return path;
}

enum class Act { Nothing, Analyse, AnalyseThenStop, Quit, AnalyseAWhileThenStop };

struct FaultRow {
    const char *mode;
    Act act;
    const char *fault;  // part of the reason; "" for none
    const char *note;   // part of a note; "" for none
};

TEST(EngineProcess, EveryFaultGetsAReasonAndLeavesNothingBehind) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile plain(dir.filePath("not-a-program"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\n");
    plain.close();
    const FaultRow rows[] = {
        {"missing", Act::Nothing, "見つかりません", ""},
        {"not-a-program", Act::Nothing, "実行できません", ""},
        {"exit-at-start", Act::Nothing, "起動中に終了", ""},
        {"crash-at-start", Act::Nothing, "起動中に終了", ""},
        {"no-usiok", Act::Nothing, "usi に", ""},
        {"no-readyok", Act::Nothing, "isready に", ""},
        {"exit-mid-search", Act::Analyse, "探索中に終了", ""},
        {"crash-mid-search", Act::Analyse, "探索中に終了", ""},
        {"ignore-stop", Act::AnalyseThenStop, "stop に", ""},
        {"ignore-quit", Act::Quit, "quit の後", ""},
        {"garbage", Act::AnalyseAWhileThenStop, "", "UTF-8"},
        {"huge-line", Act::AnalyseAWhileThenStop, "", "64 KiB"},
        {"overflow", Act::AnalyseAWhileThenStop, "", "範囲を超える"},
        {"flood", Act::AnalyseAWhileThenStop, "", ""},
    };
    EngineProcess process;
    for (const FaultRow &row : rows) {
        SCOPED_TRACE(row.mode);
        EngineRecorder fresh(process);
        const QString mode = row.mode;
        const QString path = mode == "missing"         ? dir.filePath("no-such-engine")
                             : mode == "not-a-program" ? plain.fileName()
                                                       : fakeEngine(dir, mode);
        process.start(path, quickProfile());
        const bool reachesIdle = row.act != Act::Nothing;
        if (reachesIdle) {
            ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
            process.analyse("position startpos");
        }
        if (row.act == Act::AnalyseThenStop || row.act == Act::AnalyseAWhileThenStop) {
            ASSERT_TRUE(spinUntil([&] { return !fresh.infos.empty() || fresh.ends > 0; }, 5000));
            if (row.act == Act::AnalyseAWhileThenStop) spinUntil([] { return false; }, 300);
            process.stopSearch();
        }
        if (row.act == Act::Quit) process.quit();
        if (*row.fault != 0) {
            ASSERT_TRUE(spinUntil([&] { return fresh.ends > 0; }, 5000));
            ASSERT_FALSE(fresh.faults.isEmpty());
            EXPECT_TRUE(fresh.faults.front().contains(QString::fromUtf8(row.fault))) << fresh.faults.front().toStdString();
        } else {
            ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
            EXPECT_TRUE(fresh.faults.isEmpty());
            EXPECT_FALSE(fresh.infos.empty());
            if (mode == "flood") {
                EXPECT_GT(fresh.infos.size(), 500u) << "about 10,000 lines a second";
            }
            process.quit();
            ASSERT_TRUE(spinUntil([&] { return fresh.ends > 0; }, 5000));
            EXPECT_TRUE(fresh.faults.isEmpty()) << fresh.faults.join('|').toStdString();
        }
        if (*row.note != 0) {
            ASSERT_EQ(fresh.notes.size(), 1) << "each kind of oddity is noted once";
            EXPECT_TRUE(fresh.notes.front().contains(QString::fromUtf8(row.note)));
        } else {
            EXPECT_TRUE(fresh.notes.isEmpty()) << fresh.notes.join('|').toStdString();
        }
        EXPECT_EQ(fresh.ends, 1);
        EXPECT_FALSE(process.running());
        const Children children = childProcesses();
        EXPECT_EQ(children.total, 0);
        EXPECT_EQ(children.zombies, 0);
        // The next row's recorder alone listens.
        process.disconnect();
    }
    // After all of them a well-behaved engine still starts, analyses and ends.
    EngineRecorder last(process);
    process.start(fakeEngine(dir, "normal"), quickProfile());
    ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
    EXPECT_EQ(process.session()->options().size(), 7u);
    process.analyse("position startpos");
    ASSERT_TRUE(spinUntil([&] { return !last.infos.empty(); }, 5000));
    process.quit();
    ASSERT_TRUE(spinUntil([&] { return last.ends > 0; }, 5000));
    EXPECT_TRUE(last.faults.isEmpty());
}

// An illegal PV and bestmove reach the window as they are; the board's translation cuts them.
TEST(EngineProcess, IllegalMovesAreCutOnTheBoard) {
    QTemporaryDir dir;
    EngineProcess process;
    EngineRecorder recorder(process);
    process.start(fakeEngine(dir, "illegal"), quickProfile());
    ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
    process.analyse("position startpos");
    ASSERT_TRUE(spinUntil([&] { return !recorder.infos.empty(); }, 5000));
    process.stopSearch();
    process.quit();
    ASSERT_TRUE(spinUntil([&] { return recorder.ends > 0; }, 5000));
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, "startpos").ok);
    ZnBan scratch;
    const BoardPv pv = translatePv(game, recorder.infos.front().pv, scratch);
    EXPECT_TRUE(pv.moves.empty());
    EXPECT_EQ(pv.cutWord, "5e5d");
}

// Killing the host's owner while the engine is busy leaves no process either.
TEST(EngineProcess, DestroyedWhileSearchingLeavesNoProcess) {
    QTemporaryDir dir;
    {
        EngineProcess process;
        process.start(fakeEngine(dir, "ignore-stop"), quickProfile());
        ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
        process.analyse("position startpos");
        EXPECT_GT(process.processId(), 0);
    }
    const Children children = childProcesses();
    EXPECT_EQ(children.total, 0);
    EXPECT_EQ(children.zombies, 0);
}

}  // namespace

// The process host with a scripted fake engine for every fault an engine may commit (each gets a
// reason, leaves no process behind, and a good engine starts after it), and the installed engines
// on a mate in one.
#include "enginehost/engineprocess.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

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

enum class Act { Start, Search, SearchThenStop, Quit, SearchAWhileThenStop };

TEST(EngineProcess, EveryFaultGetsAReasonAndLeavesNothingBehind) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("not-a-program"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && plain.write("#!/bin/sh\n") > 0);
    plain.close();
    // Executable, but no system can run it: the process fails to start.
    QFile broken(dir.filePath("broken-program"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("\x7f"
                                                                  "ELF not really") > 0);
    broken.close();
    ASSERT_TRUE(broken.setPermissions(broken.permissions() | QFileDevice::ExeOwner));
    const struct {
        const char *mode;
        Act act;
        const char *fault, *note;  // parts of the reason and of the note; "" for none
    } rows[] = {
        {"missing", Act::Start, "見つかりません", ""},
        {"not-a-program", Act::Start, "実行できません", ""},
        {"broken-program", Act::Start, "起動できません: 実行できる形式のプログラムではありません", ""},
        {"exit-at-start", Act::Start,
         "起動中に終了しました（終了コード 3、エンジンからは何も届いていません）", ""},
        {"crash-at-start", Act::Start,
         "起動中に終了しました（シグナル 6 SIGABRT、エンジンからは何も届いていません）", ""},
        {"no-usiok", Act::Start, "usi に", ""},
        {"no-readyok", Act::Start, "isready に", ""},
        // How it ended and the last line it sent.
        {"exit-mid-search", Act::Search,
         "探索中に終了しました（終了コード 1、最後に届いた行: info depth 1 score cp 10 pv 7g7f）", ""},
        {"crash-mid-search", Act::Search, "探索中に終了しました（シグナル 6 SIGABRT、最後に届いた行: ", ""},
        {"ignore-stop", Act::SearchThenStop, "stop に", ""},
        {"ignore-quit", Act::Quit, "quit の後", ""},
        {"garbage", Act::SearchAWhileThenStop, "", "UTF-8"},
        {"huge-line", Act::SearchAWhileThenStop, "", "64 KiB"},
        {"overflow", Act::SearchAWhileThenStop, "", "範囲を超える"},
        // Moves that are illegal reach the window as they are; the board's translation cuts them.
        {"illegal", Act::SearchAWhileThenStop, "", ""},
        {"flood", Act::SearchAWhileThenStop, "", "毎秒 5000 行"},
        {"normal", Act::SearchAWhileThenStop, "", ""},
    };
    EngineProcess process;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.mode);
        EngineRecorder seen(process);
        const QString mode = row.mode;
        process.start(mode == "missing"          ? dir.filePath("no-such-engine")
                      : mode == "not-a-program"  ? plain.fileName()
                      : mode == "broken-program" ? broken.fileName()
                                                 : fakeEngine(dir, mode),
                      quickProfile());
        if (row.act != Act::Start) {
            ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
            process.analyse("position startpos", UsiGo::infinite());
        }
        if (row.act == Act::SearchThenStop || row.act == Act::SearchAWhileThenStop) {
            ASSERT_TRUE(spinUntil([&] { return !seen.infos.empty(); }, 5000));
            if (row.act == Act::SearchAWhileThenStop)
                spinUntil([&] { return mode == "flood" && !seen.notes.isEmpty(); },
                          mode == "flood" ? 3000 : 300);
            process.stopSearch();
        }
        if (row.act == Act::Quit) process.quit();
        if (*row.fault == 0) {
            ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
            EXPECT_GT(seen.infos.size(), mode == "flood" ? 500u : 0u) << "about 10,000 lines a second";
            process.quit();
        }
        ASSERT_TRUE(spinUntil([&] { return seen.ends > 0; }, 5000));
        // One reason for a fault, each kind of oddity noted once, one end.
        EXPECT_EQ(seen.faults.join('|'), QString::fromUtf8(row.fault).isEmpty() ? "" : seen.faults.value(0));
        EXPECT_TRUE(seen.faults.value(0).contains(QString::fromUtf8(row.fault)))
            << seen.faults.join('|').toStdString();
        EXPECT_EQ(seen.notes.size(), *row.note == 0 ? 0 : 1);
        EXPECT_TRUE(seen.notes.value(0).contains(QString::fromUtf8(row.note)));
        EXPECT_EQ(std::make_pair(seen.ends, process.running()), std::make_pair(1, false));
        EXPECT_EQ(childProcesses().total, 0) << "no process left, no zombie";
        // The next row's recorder alone listens.
        process.disconnect();
    }
    // Destroyed while its engine ignores everything, the host leaves no process either.
    {
        EngineProcess busy;
        busy.start(fakeEngine(dir, "ignore-stop"), quickProfile());
        ASSERT_TRUE(spinUntil([&] { return busy.state() == EngineState::Idle; }, 5000));
        busy.analyse("position startpos", UsiGo::infinite());
        EXPECT_GT(busy.processId(), 0);
    }
    EXPECT_EQ(childProcesses().total, 0);
}

// A value with a line break would reach the engine as a second command: the line is not sent, the
// window is told, and the engine goes on as before.
TEST(EngineProcess, RefusesToSendALineWithALineBreak) {
    QTemporaryDir dir;
    EngineProcess process;
    EngineRecorder seen(process);
    process.start(fakeEngine(dir, "normal"), quickProfile());
    ASSERT_TRUE(spinUntil([&] { return process.state() == EngineState::Idle; }, 5000));
    for (const char *value : {"a\nquit", "b\rquit"}) process.setOption("Comment", value);
    ASSERT_EQ(seen.notes.size(), 2);
    EXPECT_TRUE(seen.notes.value(0).contains(QStringLiteral("改行を含む行")))
        << seen.notes.join('|').toStdString();
    process.analyse("position startpos", UsiGo::infinite());
    EXPECT_TRUE(spinUntil([&] { return !seen.infos.empty(); }, 5000)) << "the engine never saw quit";
    EXPECT_TRUE(process.running());
    process.quit();
    ASSERT_TRUE(spinUntil([&] { return seen.ends > 0; }, 5000));
    EXPECT_TRUE(seen.faults.isEmpty()) << seen.faults.join('|').toStdString();
}

// The first scored line of each installed engine on a mate in one says mate and starts with the
// mating move. gpsusi says mate as a huge centipawn score, which its profile reads.
TEST(RealEngine, FindsTheMateInOne) {
    const char *const paths[] = {"/usr/games/fairy-stockfish", "/usr/games/gpsusi"};
    int ran = 0;
    for (const char *path : paths) {
        SCOPED_TRACE(path);
        if (!QFileInfo(path).isExecutable()) continue;
        ++ran;
        ZnBan game;
        RecordNotes notes;
        // Gote's king on 5a, sente's pawn on 5c and a gold in hand: G*5b mates.
        ASSERT_TRUE(readSfen(game, notes, "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1").ok);
        EngineProcess process;
        EngineRecorder seen(process);
        // The start may be slow on a busy machine; the search itself takes well under a second.
        process.start(path, installedEngineProfile(path));
        process.setOption("MultiPV", "3");
        process.analyse(positionCommand(game), UsiGo::infinite());
        const auto scored = [&] {
            return std::find_if(seen.infos.begin(), seen.infos.end(),
                                [](const UsiInfo &info) { return info.score; });
        };
        ASSERT_TRUE(spinUntil([&] { return scored() != seen.infos.end() || seen.ends > 0; },
                              kInstalledEngineStartMs + 10000));
        ASSERT_NE(scored(), seen.infos.end()) << seen.faults.join('|').toStdString();
        EXPECT_EQ(scoreText(senteView(*scored()->score, game.turn())).rfind("詰み", 0), 0u);
        ZnBan scratch;
        EXPECT_EQ(translatePv(game, scored()->pv, scratch).text.rfind("▲５二金打", 0), 0u);
        process.quit();
        ASSERT_TRUE(spinUntil([&] { return seen.ends > 0; }, 8000));
        EXPECT_TRUE(seen.faults.isEmpty()) << seen.faults.join('|').toStdString();
        EXPECT_EQ(childProcesses().total, 0);
    }
    if (ran == 0) GTEST_SKIP() << "no USI engine is installed";
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

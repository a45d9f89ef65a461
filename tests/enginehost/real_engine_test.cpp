// The installed engines on a mate in one: the first line with a score says mate and starts with
// the mating move. Skipped where an engine is not installed.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "engine/pv.h"
#include "enginehost_testing.h"
#include "record/sfen.h"

namespace {

struct EngineRow {
    const char *path;
    int startMs;  // how long it may take to be ready on a busy machine
};

TEST(RealEngine, FindsTheMateInOne) {
    const EngineRow rows[] = {{"/usr/games/fairy-stockfish", 10000}, {"/usr/games/gpsusi", 40000}};
    int ran = 0;
    for (const EngineRow &row : rows) {
        SCOPED_TRACE(row.path);
        if (!QFileInfo(row.path).isExecutable()) continue;
        ++ran;
        ZnBan game;
        RecordNotes notes;
        // Gote's king on 5a, sente's pawn on 5c and a gold in hand: G*5b mates.
        ASSERT_TRUE(readSfen(game, notes, "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1").ok);
        EngineProcess process;
        EngineRecorder recorder(process);
        process.start(row.path);
        process.setOption("MultiPV", "3");
        process.analyse(positionCommand(game));
        ASSERT_TRUE(spinUntil(
            [&] {
                return std::any_of(recorder.infos.begin(), recorder.infos.end(),
                                   [](const UsiInfo &info) { return info.score.has_value(); }) ||
                       recorder.ends > 0;
            },
            row.startMs));
        const auto first = std::find_if(recorder.infos.begin(), recorder.infos.end(),
                                        [](const UsiInfo &info) { return info.score.has_value(); });
        ASSERT_NE(first, recorder.infos.end()) << recorder.faults.join('|').toStdString();
        EXPECT_TRUE(first->score->mate);
        EXPECT_EQ(scoreText(senteView(*first->score, game.turn())).rfind("詰み", 0), 0u);
        ZnBan scratch;
        const BoardPv pv = translatePv(game, first->pv, scratch);
        EXPECT_EQ(pv.text.rfind("▲５二金打", 0), 0u) << pv.text;
        process.quit();
        ASSERT_TRUE(spinUntil([&] { return recorder.ends > 0; }, 8000));
        EXPECT_TRUE(recorder.faults.isEmpty()) << recorder.faults.join('|').toStdString();
        EXPECT_EQ(childProcesses().total, 0);
    }
    if (ran == 0) GTEST_SKIP() << "no USI engine is installed";
}

}  // namespace

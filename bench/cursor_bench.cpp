// Walking the cursor along a 10,000-move record: from one end to the other, a jump to the middle,
// and the move list the list window builds when the line changes. Either end of the walk must
// take well under 5 ms.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/movegen.h"
#include "record/gamerecord.h"

namespace {

constexpr int PLIES = 10000;

// A random game of PLIES moves; kings can be captured and play goes on, so it can be this long.
ZnBan &longGame() {
    static ZnBan game;
    static const bool played = [] {
        std::mt19937 random(20261207u);
        std::vector<Move> legal;
        while (game.moveCount() < PLIES) {
            legal.clear();
            generateMoves(game, legal);
            if (legal.empty() || !applyMove(game, legal[random() % legal.size()])) return false;
        }
        return true;
    }();
    (void)played;
    return game;
}

GameRecord &longRecord(benchmark::State &state) {
    static GameRecord record(longGame());
    if (record.length() != PLIES) state.SkipWithError("the random game ended early");
    return record;
}

// Each iteration is one whole walk, alternately start to end and end to start.
void BM_WalkFromEndToEnd(benchmark::State &state) {
    GameRecord &record = longRecord(state);
    record.goToStart();
    for (auto _ : state) {
        if (!(record.atEnd() ? record.goToStart() : record.goToEnd())) state.SkipWithError("walk refused");
        benchmark::DoNotOptimize(record.game().moveCount());
    }
    record.goToEnd();
    state.SetItemsProcessed(state.iterations() * PLIES);
}
BENCHMARK(BM_WalkFromEndToEnd)->Unit(benchmark::kMillisecond);

// Start to end and back to the start in one iteration.
void BM_WalkThereAndBack(benchmark::State &state) {
    GameRecord &record = longRecord(state);
    record.goToStart();
    for (auto _ : state) {
        if (!record.goToEnd() || !record.goToStart()) state.SkipWithError("walk refused");
        benchmark::DoNotOptimize(record.game().moveCount());
    }
    record.goToEnd();
    state.SetItemsProcessed(state.iterations() * 2 * PLIES);
}
BENCHMARK(BM_WalkThereAndBack)->Unit(benchmark::kMillisecond);

// A jump to move 5,000, alternately from the end and from the start.
void BM_JumpToMiddle(benchmark::State &state) {
    GameRecord &record = longRecord(state);
    bool fromEnd = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (fromEnd) {
            record.goToEnd();
        } else {
            record.goToStart();
        }
        fromEnd = !fromEnd;
        state.ResumeTiming();
        if (!record.goTo(PLIES / 2)) state.SkipWithError("jump refused");
        benchmark::DoNotOptimize(record.game().moveCount());
    }
    record.goToEnd();
}
BENCHMARK(BM_JumpToMiddle)->Unit(benchmark::kMillisecond);

// One step, as a key press makes it, in the middle of the line.
void BM_OneStep(benchmark::State &state) {
    GameRecord &record = longRecord(state);
    record.goTo(PLIES / 2);
    bool forward = true;
    for (auto _ : state) {
        if (!(forward ? record.goForward() : record.goBack())) state.SkipWithError("step refused");
        forward = !forward;
    }
    record.goToEnd();
}
BENCHMARK(BM_OneStep)->Unit(benchmark::kMicrosecond);

// The rows of the move list, built in one walk with the cursor in the middle.
void BM_MoveList(benchmark::State &state) {
    GameRecord &record = longRecord(state);
    record.goTo(PLIES / 2);
    for (auto _ : state) {
        const std::vector<std::string> rows = record.moveList();
        if (rows.size() != PLIES + 1) state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(rows.data());
    }
    record.goToEnd();
    state.SetItemsProcessed(state.iterations() * PLIES);
}
BENCHMARK(BM_MoveList)->Unit(benchmark::kMillisecond);

}  // namespace

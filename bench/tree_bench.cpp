// Records with branches: reading a tree of 10,000 nodes, switching between two branches that fork
// at move 1 of a 5,000-move game (which must take well under 5 ms), and the rows of the move list
// of such a path.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "record/formats.h"
#include "record/gamerecord.h"

namespace {

// Plays `plies` random moves at the record's cursor, kings capturable as the rules allow.
bool playRandomLine(GameRecord &record, std::mt19937 &random, int plies) {
    std::vector<Move> legal;
    for (int ply = 0; ply < plies; ++ply) {
        legal.clear();
        generateMoves(record.game(), legal);
        if (legal.empty()) return false;
        const Move &move = legal[random() % legal.size()];
        if (!record.play({move.from, move.to, move.promote, move.dropKind}).empty()) return false;
    }
    return true;
}

// About 10,000 nodes: a 400-move main line and a 30-move branch at every 16th move of every line
// made so far, with a comment on every tenth node.
struct BranchyRecord {
    BranchyRecord() {
        std::mt19937 random(7);
        ok = playRandomLine(record, random, 400);
        for (int round = 0; ok && record.tree().size() < 10000; ++round) {
            const int move = 1 + static_cast<int>(random() % 399);
            ok = record.goToStart() && record.goTo(std::min(move, record.length())) &&
                 playRandomLine(record, random, 30);
            if (round % 3 == 0) record.setComments({"分岐" + std::to_string(round)});
        }
    }
    ZnBan game;
    GameRecord record{game};
    bool ok = false;
};

void BM_ReadTenThousandNodeTree(benchmark::State &state) {
    const RecordFormat format = state.range(0) == 0 ? RecordFormat::Kif : RecordFormat::Jkf;
    static BranchyRecord branchy;
    std::string bytes;
    if (!branchy.ok || !writeRecordBytes(branchy.game, branchy.record.notes(), format, bytes).ok)
        state.SkipWithError("no tree to read");
    for (auto _ : state) {
        ZnBan game;
        RecordNotes notes;
        if (!readRecordBytes(game, notes, bytes, {}, format).ok) state.SkipWithError("tree refused");
        benchmark::DoNotOptimize(notes.tree.size());
    }
    state.counters["nodes"] = branchy.record.tree().size();
    state.SetLabel(format == RecordFormat::Kif ? "KIF" : "JKF");
}
BENCHMARK(BM_ReadTenThousandNodeTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Two lines of 5,000 moves that part after move 1, the cursor on move 1.
struct TwoLongBranches {
    TwoLongBranches() {
        std::mt19937 random(11);
        ok = playRandomLine(record, random, 5000) && record.goTo(1) && playRandomLine(record, random, 4999) &&
             record.goTo(1);
    }
    ZnBan game;
    GameRecord record{game};
    bool ok = false;
};

TwoLongBranches &twoBranches() {
    static TwoLongBranches branches;
    return branches;
}

// Each iteration chooses the other branch at move 1: the game walks back to the fork and plays
// the other 4,999 moves, so that it holds the whole new path.
void BM_SwitchBranchesAtMoveOne(benchmark::State &state) {
    TwoLongBranches &branches = twoBranches();
    if (!branches.ok) state.SkipWithError("the random lines ended early");
    GameRecord &record = branches.record;
    for (auto _ : state) {
        if (!record.chooseNext(record.chosenAlternative() == 0 ? 1 : -1))
            state.SkipWithError("switch refused");
        benchmark::DoNotOptimize(record.length());
    }
}
BENCHMARK(BM_SwitchBranchesAtMoveOne)->Unit(benchmark::kMillisecond);

// The rows the list window shows for one of those 5,000-move paths.
void BM_MoveListRowsOfABranch(benchmark::State &state) {
    TwoLongBranches &branches = twoBranches();
    if (!branches.ok) state.SkipWithError("the random lines ended early");
    for (auto _ : state) {
        const std::vector<std::string> rows = branches.record.moveList();
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * branches.record.length());
}
BENCHMARK(BM_MoveListRowsOfABranch)->Unit(benchmark::kMillisecond);

}  // namespace

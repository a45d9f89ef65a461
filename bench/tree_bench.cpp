// Records with branches: reading a tree of 10,000 nodes, switching between two branches that fork
// at move 1 of a 5,000-move game (which must take well under 5 ms), the rows of the move list of
// such a path, and study trees whose every variation branches off the one before, written and read
// in every format that holds branches, with the peak memory each takes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/seeded_games.h"
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

// The process's resident memory now, or at its peak since the last reset, in bytes (Linux).
long long residentBytes(const char *field) {
    std::ifstream status("/proc/self/status");
    std::string word;
    long long kilobytes = 0;
    while (status >> word)
        if (word == field && status >> kilobytes) return kilobytes * 1024;
    return 0;
}

// Makes the next peak the memory an operation takes on top of what the process already holds.
long long resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return residentBytes("VmRSS:");
}

RecordFormat staircaseFormat(std::int64_t code) {
    return code == 0 ? RecordFormat::Kif : code == 1 ? RecordFormat::Ki2 : RecordFormat::Jkf;
}

const char *formatName(RecordFormat format) {
    return format == RecordFormat::Kif ? "KIF" : format == RecordFormat::Ki2 ? "KI2" : "JKF";
}

// A staircase tree of `levels` forks (two nodes a level), kept for every benchmark of its size.
const RecordNotes &staircase(int levels) {
    static std::vector<std::pair<int, RecordNotes>> made;
    for (const auto &[size, notes] : made)
        if (size == levels) return notes;
    RecordNotes notes;
    notes.tree = staircaseTree(3, levels);
    made.emplace_back(levels, std::move(notes));
    return made.back().second;
}

void BM_WriteStaircaseTree(benchmark::State &state) {
    const RecordFormat format = staircaseFormat(state.range(1));
    const RecordNotes &notes = staircase(static_cast<int>(state.range(0)));
    ZnBan game;
    std::string bytes;
    long long peak = 0;
    for (auto _ : state) {
        bytes.clear();
        bytes.shrink_to_fit();
        const long long before = resetPeak();
        if (!writeRecordBytes(game, notes, format, bytes).ok) state.SkipWithError("not written");
        peak = std::max(peak, residentBytes("VmHWM:") - before);
    }
    state.counters["nodes"] = notes.tree.size();
    state.counters["MB_written"] = double(bytes.size()) / 1e6;
    state.counters["MB_peak"] = double(peak) / 1e6;
    state.SetLabel(formatName(format));
}

void BM_ReadStaircaseTree(benchmark::State &state) {
    const RecordFormat format = staircaseFormat(state.range(1));
    const RecordNotes &written = staircase(static_cast<int>(state.range(0)));
    ZnBan game;
    std::string bytes;
    if (!writeRecordBytes(game, written, format, bytes).ok) state.SkipWithError("not written");
    long long peak = 0;
    for (auto _ : state) {
        ZnBan read;
        RecordNotes notes;
        const long long before = resetPeak();
        if (!readRecordBytes(read, notes, bytes, {}, format).ok) state.SkipWithError("refused");
        peak = std::max(peak, residentBytes("VmHWM:") - before);
        benchmark::DoNotOptimize(notes.tree.size());
    }
    state.counters["MB_read"] = double(bytes.size()) / 1e6;
    state.counters["MB_peak"] = double(peak) / 1e6;
    state.SetLabel(formatName(format));
}

// 10,000 levels (the 1 MB KIF the JKF writer once needed 15.8 GB for) and 200,000 (a 32 MB JKF read
// in 126 s by the reader that built every element's path).
BENCHMARK(BM_WriteStaircaseTree)
    ->ArgsProduct({{10000, 200000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ReadStaircaseTree)
    ->ArgsProduct({{10000, 200000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

// The program's own work per position of a game analysis, everything but the engine's search:
// setting the position up, turning a ten-move reading into notation, judging the move with its
// reason, and merging the comment lines. Target: well under 1 ms per position.
//
// A scripted engine answers at once with a score that swings every ply, so that every move is
// labelled and every move's reason is worked out, and with a reading whose first move is not the
// move played. "per_position" is the time of one position.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "common/seeded_games.h"
#include "core/movegen.h"
#include "review/gameanalysis.h"

namespace {

constexpr int PLIES = 120;
constexpr int READING = 10;

struct Scripted {
    GameLine line;
    // For each position: a reading that starts with another move than the one played.
    std::vector<std::vector<Move>> readings;
};

const Scripted &scripted() {
    static const Scripted data = [] {
        Scripted made;
        ZnBan game;
        playSeededGame(game, 1, PLIES);
        made.line = currentLine(game);
        std::mt19937 random(7);
        ZnBan position;
        buildGame(position, made.line.start);
        for (std::size_t ply = 0; ply <= made.line.moves.size(); ++ply) {
            ZnBan scratch;
            buildGame(scratch, positionOf(position));
            std::vector<Move> reading;
            std::vector<Move> legal;
            for (int i = 0; i < READING; ++i) {
                legal.clear();
                generateMoves(scratch, legal);
                std::erase_if(legal, [&](const Move &move) {
                    return i == 0 && ply < made.line.moves.size() && move == made.line.moves[ply];
                });
                if (legal.empty()) break;
                const Move move = legal[random() % legal.size()];
                applyMove(scratch, move);
                reading.push_back(move);
            }
            made.readings.push_back(std::move(reading));
            if (ply < made.line.moves.size()) playMove(position, made.line.moves[ply]);
        }
        return made;
    }();
    return data;
}

void BM_AnalysisWorkPerPosition(benchmark::State &state) {
    const Scripted &data = scripted();
    std::vector<std::vector<std::string>> comments(data.line.moves.size() + 1, {"対局者のメモ"});
    int positions = 0, labelled = 0;
    for (auto _ : state) {
        GameAnalysis analysis(data.line);
        runAnalysis(analysis, [&](const ZnBan &, int ply) {
            AnalyserAnswer answer;
            answer.report = {false,   1200, data.readings[static_cast<std::size_t>(ply)], std::nullopt, 20,
                             "Bench", {}};
            return answer;
        });
        analysis.writeComments(
            [&](int ply) -> std::vector<std::string> & { return comments[static_cast<std::size_t>(ply)]; });
        positions = analysis.finished();
        labelled = 0;
        for (int ply = 1; ply < positions; ++ply) {
            const std::optional<MoveVerdict> &verdict = analysis.verdict(ply);
            labelled += verdict && !verdict->reason.empty() ? 1 : 0;
        }
        benchmark::DoNotOptimize(comments.data());
    }
    state.counters["positions"] = positions;
    state.counters["with_reason"] = labelled;
    state.counters["per_position"] = benchmark::Counter(
        positions, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnalysisWorkPerPosition)->Unit(benchmark::kMillisecond);

}  // namespace

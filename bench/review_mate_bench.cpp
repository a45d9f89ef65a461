// The mate solver's share of a game review: a real game (a record fixture of 125 moves, read in
// place; REVIEW_RECORD names another) reviewed with an engine that answers at once, once with the
// solver's checks and once without. Every move is labelled (the score swings each ply) and the
// reading's first move is a legal move other than the one played, so that every check a review
// can make is made:
// each position solved, each missed mate looked into, each labelled move's 詰めろ after the reply.
// "mate_ms" is the solver's time over the whole game; the budget is the review's default.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/rules.h"
#include "record/formats.h"
#include "review/gameanalysis.h"

namespace {

const char *recordPath() {
    const char *chosen = std::getenv("REVIEW_RECORD");
    return chosen != nullptr
               ? chosen
               : "/work/shared/record-fixtures/shogi-kifu-converter/data/tests/csa/floodgate.csa";
}

bool loadLine(GameLine &line) {
    std::ifstream file(recordPath(), std::ios::binary);
    if (!file) return false;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    ZnBan game;
    RecordNotes notes;
    if (!readRecordBytes(game, notes, bytes.str(), recordPath()).ok) return false;
    line = currentLine(game);
    return true;
}

void ReviewMateChecks(benchmark::State &state) {
    GameLine line;
    if (!loadLine(line)) {
        state.SkipWithError("no record fixture to review");
        return;
    }
    AnalysisSettings settings;
    settings.checkMates = state.range(0) != 0;
    std::int64_t mateMs = 0;
    int labelled = 0, notes = 0;
    for (auto _ : state) {
        GameAnalysis analysis(line, settings);
        runAnalysis(analysis, [&](const ZnBan &position, int ply) {
            AnalyserAnswer answer;
            answer.report.score = 500;
            std::vector<Move> moves;
            legalMoves(position, moves);
            for (const Move &move : moves)
                if (static_cast<std::size_t>(ply) >= line.moves.size() ||
                    !(move == line.moves[static_cast<std::size_t>(ply)])) {
                    answer.report.pv = {move};
                    break;
                }
            return answer;
        });
        mateMs = analysis.mateMilliseconds();
        labelled = notes = 0;
        for (int ply = 1; ply <= static_cast<int>(line.moves.size()); ++ply)
            if (const auto &verdict = analysis.verdict(ply)) {
                labelled += verdict->label != MoveLabel::None;
                notes += verdict->mate != MateNote::None;
            }
    }
    state.counters["moves"] = static_cast<double>(line.moves.size());
    state.counters["mate_ms"] = static_cast<double>(mateMs);
    state.counters["labelled"] = labelled;
    state.counters["mate_notes"] = notes;
}
BENCHMARK(ReviewMateChecks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

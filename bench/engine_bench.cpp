// One info line as fairy-stockfish prints it, read and its PV played on a scratch copy and written
// in Japanese: the work the window does per line it shows.
#include <benchmark/benchmark.h>

#include "engine/pv.h"
#include "engine/searchreport.h"
#include "engine/usiline.h"
#include "record/sfen.h"

namespace {

void BM_InfoLineToBoardPv(benchmark::State &state) {
    ZnBan game;
    RecordNotes notes;
    readSfen(game, notes, "sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2");
    ZnBan scratch;
    const std::string line =
        "info depth 8 seldepth 12 multipv 3 score cp -168 nodes 17426 nps 50656 tbhits 0 time 344 pv 5c5d "
        "5g5f "
        "6c6d 4i5h 5a4b 4g4f 4b3b 5i4i 1c1d 7i6h";
    for (auto _ : state) {
        const UsiLine parsed = parseUsiLine(line);
        const BoardPv pv = translatePv(game, parsed.info.pv, scratch);
        benchmark::DoNotOptimize(pv.text.data());
    }
}
BENCHMARK(BM_InfoLineToBoardPv);

}  // namespace

// What the analysis of one position reads from a timed search: the lines fairy-stockfish prints
// in 100 ms (depth 1 to 20, with a second reading), each parsed and gathered, then the report.
void BM_TimedSearchLinesToReport(benchmark::State &state) {
    std::vector<std::string> lines;
    for (int depth = 1; depth <= 20; ++depth)
        for (int multipv = 1; multipv <= 2; ++multipv)
            lines.push_back(
                "info depth " + std::to_string(depth) + " seldepth " + std::to_string(depth + 4) +
                " multipv " + std::to_string(multipv) + " score cp " + std::to_string(40 - depth) +
                " nodes 123456 nps 280000 tbhits 0 time 80 pv 7g7f 3c3d 2g2f 8c8d 2f2e 8d8e 6i7h 4a3b "
                "2e2d 2c2d");
    lines.push_back("bestmove 7g7f ponder 3c3d");
    for (auto _ : state) {
        SearchReport report;
        for (const std::string &text : lines) {
            const UsiLine line = parseUsiLine(text);
            if (line.type == UsiLineType::Info)
                report.info(line.info);
            else if (line.type == UsiLineType::BestMove)
                report.bestMove(line.best);
        }
        std::string why;
        benchmark::DoNotOptimize(report.report("Fairy-Stockfish", why));
    }
}
BENCHMARK(BM_TimedSearchLinesToReport)->Unit(benchmark::kMicrosecond);

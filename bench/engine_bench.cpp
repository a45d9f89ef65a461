// One info line as fairy-stockfish prints it, read and its PV played on a scratch copy and written
// in Japanese: the work the window does per line it shows.
#include <benchmark/benchmark.h>

#include "engine/pv.h"
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

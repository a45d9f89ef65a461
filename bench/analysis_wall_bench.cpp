// A whole game analysed as the converter does it, with the real fairy-stockfish: a 100-move game
// at 100 ms a move. The wall time includes starting the engine, every search and writing the
// result; target under 15 s. Skips when the engine is not installed.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/seeded_games.h"
#include "kifu/analyse.h"
#include "record/formats.h"

namespace {

constexpr const char *ENGINE = "/usr/games/fairy-stockfish";
constexpr int MOVES = 100;

void BM_AnalyseGameWithFairyStockfish(benchmark::State &state) {
    if (!QFile::exists(ENGINE)) {
        state.SkipWithError("fairy-stockfish is not installed");
        return;
    }
    QTemporaryDir dir;
    ZnBan game;
    // Game 0 starts from the standard position.
    playSeededGame(game, 0, MOVES);
    RecordNotes notes;
    std::string bytes;
    writeRecordBytes(game, notes, RecordFormat::Usi, bytes);
    const std::string input = dir.filePath("game.usi").toStdString();
    QFile file(QString::fromStdString(input));
    file.open(QIODevice::WriteOnly);
    file.write(bytes.data(), qint64(bytes.size()));
    file.close();
    const std::string output = dir.filePath("out.kifu").toStdString();
    int status = 0;
    std::string log;
    for (auto _ : state) {
        std::ostringstream err;
        status = runAnalyse({input, output, "--engine", ENGINE, "--movetime", std::to_string(state.range(0))},
                            err, false);
        log = err.str();
    }
    if (status != 0) state.SkipWithError(log.c_str());
    state.counters["moves"] = double(game.moveCount());
    // Every position that got an evaluation in the written record.
    QFile written(QString::fromStdString(output));
    written.open(QIODevice::ReadOnly);
    const QByteArray text = written.readAll();
    state.counters["evaluations"] = double(text.count("#評価値=") + text.count("#詰み="));
    if (const char *show = std::getenv("NAGI_BENCH_LOG"); show != nullptr && *show != '\0')
        std::fprintf(stderr, "%s", log.c_str());
    state.counters["skipped"] = double(std::count(log.begin(), log.end(), '\n') - game.moveCount() - 1);
}

}  // namespace

BENCHMARK(BM_AnalyseGameWithFairyStockfish)
    ->Arg(100)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

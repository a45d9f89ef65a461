// The rules' own figures: perft from the start with the legal-move generator, and make + undo of
// legal games with the position key kept. bench/rules_vs_peers.sh runs them beside fairy-stockfish
// and tsshogi; "--write-games FILE" writes the games as USI lines for the tsshogi side.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/rules.h"
#include "engine/pv.h"
#include "random_games.h"

namespace {

// Twenty games of up to 200 random legal plies, the same on every machine.
const std::vector<Game> &legalGames() {
    static const std::vector<Game> games =
        randomGames(20261208, [](const ZnBan &game, std::vector<Move> &moves) { legalMoves(game, moves); });
    return games;
}

bool writeGames(const char *path) {
    std::ofstream out(path);
    for (const Game &moves : legalGames()) {
        for (std::size_t i = 0; i < moves.size(); ++i) out << (i > 0 ? " " : "") << usiMoveWord(moves[i]);
        out << '\n';
    }
    return static_cast<bool>(out);
}

// perft(5) from the start: 19,861,490 leaves, counted at the last ply without making them.
void BM_LegalPerftStart5(benchmark::State &state) {
    ZnBan game;
    std::uint64_t leaves = 0;
    for (auto _ : state) leaves = legalPerft(game, 5);
    if (leaves != 19861490u) state.SkipWithError("perft(5) from the start is not 19,861,490");
    state.counters["leaves"] = static_cast<double>(leaves);
    state.SetItemsProcessed(static_cast<std::int64_t>(leaves) * state.iterations());
}

// Every ply of the legal games made and taken back, the position key and attack maps kept; one item
// is one ply made and taken back. The moves are checked on making, as tsshogi's doMove does.
void BM_MakeUndoLegalGames(benchmark::State &state) {
    const auto &games = legalGames();
    ZnBan game;
    std::int64_t plies = 0;
    for (auto _ : state) {
        for (const Game &moves : games) {
            for (const Move &move : moves) applyMove(game, move);
            for (std::size_t i = 0; i < moves.size(); ++i) game.undoMove();
            plies += static_cast<std::int64_t>(moves.size());
        }
    }
    benchmark::DoNotOptimize(game.key());
    state.SetItemsProcessed(plies);
}

// The same with each move first checked under the rules (checkMove), as a game played by them does.
void BM_MakeUndoCheckedUnderTheRules(benchmark::State &state) {
    const auto &games = legalGames();
    ZnBan game;
    std::int64_t plies = 0;
    for (auto _ : state) {
        for (const Game &moves : games) {
            for (const Move &move : moves)
                if (checkMove(game, move) == Refusal::None) applyMove(game, move);
            for (std::size_t i = 0; i < moves.size(); ++i) game.undoMove();
            plies += static_cast<std::int64_t>(moves.size());
        }
    }
    state.SetItemsProcessed(plies);
}

// Listing every legal move, over the positions of the legal games.
void BM_LegalMovesAlongGames(benchmark::State &state) {
    const auto &games = legalGames();
    ZnBan game;
    std::vector<Move> legal;
    legal.reserve(600);
    std::int64_t positions = 0;
    for (auto _ : state) {
        for (const Game &moves : games) {
            for (const Move &move : moves) {
                legal.clear();
                legalMoves(game, legal);
                applyMove(game, move);
            }
            for (std::size_t i = 0; i < moves.size(); ++i) game.undoMove();
            positions += static_cast<std::int64_t>(moves.size());
        }
    }
    state.SetItemsProcessed(positions);
}

}  // namespace

BENCHMARK(BM_LegalPerftStart5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MakeUndoLegalGames);
BENCHMARK(BM_MakeUndoCheckedUnderTheRules);
BENCHMARK(BM_LegalMovesAlongGames);

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-games") == 0) {
        if (writeGames(argv[2])) return 0;
        std::fprintf(stderr, "rules_bench: %s: cannot write the games\n", argv[2]);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Make and undo every ply of a fixed set of seeded random games: once with the incremental attack
// maps, once rebuilding both maps from scratch after every ply as the baseline.

#include <benchmark/benchmark.h>

#include <vector>

#include "core/movegen.h"
#include "core/znban.h"
#include "random_games.h"

namespace {

// Twenty games of 200 plies, on the free board's moves.
const std::vector<Game> &recordedGames() {
    static const std::vector<Game> games =
        randomGames(12345, [](const ZnBan &game, std::vector<Move> &moves) { generateMoves(game, moves); });
    return games;
}

template <bool Rebuild>
void walk(benchmark::State &state) {
    const auto &games = recordedGames();
    ZnBan game;
    std::int64_t plies = 0;
    for (auto _ : state) {
        for (const Game &moves : games) {
            for (const Move &move : moves) {
                applyMove(game, move);
                if constexpr (Rebuild) game.rebuildAttackMaps();
            }
            for (std::size_t i = 0; i < moves.size(); ++i) {
                game.undoMove();
                if constexpr (Rebuild) game.rebuildAttackMaps();
            }
            plies += static_cast<std::int64_t>(moves.size());
        }
    }
    // One item is one ply made and taken back.
    state.SetItemsProcessed(plies);
}

void BM_MakeUndoIncremental(benchmark::State &state) { walk<false>(state); }
void BM_MakeUndoFullRebuild(benchmark::State &state) { walk<true>(state); }

}  // namespace

BENCHMARK(BM_MakeUndoIncremental);
BENCHMARK(BM_MakeUndoFullRebuild);

namespace {

// One rebuild of both maps, in the middle of a recorded game.
void BM_FullRebuildAlone(benchmark::State &state) {
    const auto &games = recordedGames();
    ZnBan game;
    for (std::size_t i = 0; i < 100 && i < games[0].size(); ++i) applyMove(game, games[0][i]);
    for (auto _ : state) game.rebuildAttackMaps();
}

}  // namespace

BENCHMARK(BM_FullRebuildAlone);

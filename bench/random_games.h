#pragma once
// The games the make + undo benchmarks walk: random plies from the start, recorded once so that the
// timed loops only make and take back, and the same on every machine for a given seed.

#include <random>
#include <vector>

#include "core/movegen.h"

using Game = std::vector<Move>;

// Twenty games of up to 200 plies, each chosen from what `generate(game, moves)` lists: the free
// board's moves or the rules'.
template <class Generate>
std::vector<Game> randomGames(unsigned seed, Generate generate) {
    std::vector<Game> result;
    std::mt19937 random(seed);
    for (int i = 0; i < 20; ++i) {
        ZnBan game;
        Game moves;
        std::vector<Move> choices;
        for (int ply = 0; ply < 200; ++ply) {
            choices.clear();
            generate(game, choices);
            if (choices.empty()) break;
            const Move move = choices[random() % choices.size()];
            applyMove(game, move);
            moves.push_back(move);
        }
        result.push_back(moves);
    }
    return result;
}

#pragma once
// Every move and drop the rules allow in a position, for tests, benchmarks and random play.

#include <vector>

#include "core/move.h"
#include "core/znban.h"

// Appends every legal move of the side to move (both choices where promotion is optional) and
// one drop per kind in hand and empty square that the drop rules allow.
void generateMoves(const ZnBan &game, std::vector<Move> &out);

// The position key the move would give, without making it; the move must be one the game allows.
std::uint64_t keyAfter(const ZnBan &game, const Move &move);

// game.play(move), for code that hands moves to free functions.
inline bool applyMove(ZnBan &game, const Move &move) { return game.play(move); }

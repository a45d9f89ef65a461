#pragma once
// Every move and drop the rules allow in a position, for tests, benchmarks and random play.

#include <vector>

#include "core/znban.h"

struct Move {
    Square from = IN_HAND;  // IN_HAND for a drop
    Square to = 0;
    bool promote = false;
    PieceKind dropKind = 0;  // the kind dropped, for a drop
    bool operator==(const Move &) const = default;
};

// Appends every legal move of the side to move (both choices where promotion is optional) and
// one drop per kind in hand and empty square that the drop rules allow.
void generateMoves(const ZnBan &game, std::vector<Move> &out);

// The position key the move would give, without making it; the move must be one the game allows.
std::uint64_t keyAfter(const ZnBan &game, const Move &move);

// Makes the move through makeMove or dropPiece; false when the game refuses it.
bool applyMove(ZnBan &game, const Move &move);

#pragma once
// Helpers shared by the game's tests: positions from short descriptions, and random play.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "core/verify.h"
#include "core/znban.h"

// A square as a record names it, file then rank: sq(7, 6) is ７六.
constexpr Square sq(int file, int rank) { return static_cast<Square>(squareAt(rank - 1, file - 1)); }

// One piece of a test position: code (kind, +8 when promoted), square (IN_HAND for a hand), side.
struct Placement {
    PieceCode code;
    Square square;
    Side side;
};

// Replaces the game by a position made of the given pieces, taken from a fresh piece set as a
// record file would be, with `turn` to move and both attack maps filled.
void setUpPosition(ZnBan &game, const std::vector<Placement> &pieces, Side turn = SENTE);

// The number of move sequences of `depth` plies from the current position.
std::uint64_t perft(ZnBan &game, int depth);

// A compact picture of the position (board, hands, turn, count) for equality checks.
std::string positionKey(const ZnBan &game);

// Plays one random legal move or drop; false when there is none.
bool playRandomMove(ZnBan &game, std::mt19937 &random);

// Counts for each side and square, read from the maintained maps.
std::vector<int> attackCounts(const ZnBan &game);

#pragma once
// Random numbers for the position key. A key is the sum (modulo 2^64) of one number per piece on
// the board, one per piece in a hand and one for gote to move; a sum rather than an exclusive or,
// so that two pieces of a kind in one hand count twice instead of cancelling out, and so that the
// key follows a move by a few additions and subtractions.

#include <array>
#include <cstdint>

#include "support/types.h"

namespace zobrist {

// A fixed seed: keys stay the same from run to run, so a test may print one.
constexpr std::uint64_t splitmix(std::uint64_t &state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Tables {
    std::array<std::uint64_t, 2 * CODE_COUNT * SQUARE_COUNT> board{};
    std::array<std::uint64_t, 2 * KIND_COUNT> hand{};
    std::uint64_t goteToMove = 0;
};

constexpr Tables makeTables() {
    Tables tables;
    std::uint64_t state = 0x6E6167695F6B6579ull;
    for (auto &value : tables.board) value = splitmix(state);
    for (auto &value : tables.hand) value = splitmix(state);
    tables.goteToMove = splitmix(state);
    return tables;
}

inline constexpr Tables TABLES = makeTables();

// The number of a piece of `side` with `code` on `square`.
constexpr std::uint64_t onBoard(Side side, PieceCode code, Square square) {
    return TABLES.board[((side & 1u) * CODE_COUNT + (code & 15u)) * SQUARE_COUNT + square % SQUARE_COUNT];
}

// The number of one piece of `kind` in `side`'s hand.
constexpr std::uint64_t inHand(Side side, PieceKind kind) {
    return TABLES.hand[(side & 1u) * KIND_COUNT + (kind & 7u)];
}

// Added while gote is to move.
constexpr std::uint64_t goteToMove() { return TABLES.goteToMove; }

}  // namespace zobrist

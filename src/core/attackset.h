#pragma once
// The attackers of one square by one side, kept as a set of piece-table slots so that entering,
// removing and counting an attacker each take one instruction.

#include <bit>
#include <cstdint>

#include "support/myvector.h"

class AttackSet {
public:
    int size() const { return std::popcount(bits_); }
    bool empty() const { return bits_ == 0; }
    bool containsSlot(int slot) const { return (bits_ >> slot) & 1u; }
    void insertSlot(int slot) { bits_ |= std::uint64_t{1} << slot; }
    void eraseSlot(int slot) { bits_ &= ~(std::uint64_t{1} << slot); }
    // Enters an attacker that is not entered, or removes one that is: what a square of a piece's
    // changed attacks needs, either way, with no test.
    void toggleSlot(int slot) { bits_ ^= std::uint64_t{1} << slot; }
    void clear() { bits_ = 0; }
    std::uint64_t bits() const { return bits_; }
    bool operator==(const AttackSet &) const = default;

private:
    std::uint64_t bits_ = 0;
};

// One side's attackers for each of the 81 squares.
using AttackMap = myvector<AttackSet>;

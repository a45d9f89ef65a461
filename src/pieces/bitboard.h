#pragma once
// A set of board squares, one bit a square: squares 0..63 in the low word, 64..80 in the high one.
// Attack sets are kept this way so that a piece's reach is found with a few word operations and the
// squares a move changes are the difference of two sets.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "support/types.h"

class Bitboard {
public:
    constexpr Bitboard() = default;
    constexpr Bitboard(std::uint64_t low, std::uint64_t high) : low_(low), high_(high & HIGH_MASK) {}

    static constexpr Bitboard of(Square square) {
        Bitboard board;
        board.set(square);
        return board;
    }

    constexpr bool contains(int square) const {
        if (square < 0 || square >= SQUARE_COUNT) return false;
        return square < 64 ? (low_ >> square) & 1u : (high_ >> (square - 64)) & 1u;
    }
    // Off-board squares are ignored, so no caller can set a bit outside the 81.
    constexpr void set(int square) {
        if (square < 0 || square >= SQUARE_COUNT) return;
        if (square < 64)
            low_ |= std::uint64_t{1} << square;
        else
            high_ |= std::uint64_t{1} << (square - 64);
    }
    constexpr void reset(int square) {
        if (square < 0 || square >= SQUARE_COUNT) return;
        if (square < 64)
            low_ &= ~(std::uint64_t{1} << square);
        else
            high_ &= ~(std::uint64_t{1} << (square - 64));
    }
    constexpr void clear() { low_ = high_ = 0; }
    constexpr bool empty() const { return (low_ | high_) == 0; }
    constexpr int size() const { return std::popcount(low_) + std::popcount(high_); }

    // The lowest and the highest square of a set that is not empty.
    constexpr Square lowest() const {
        return static_cast<Square>(low_ != 0 ? std::countr_zero(low_) : 64 + std::countr_zero(high_));
    }
    constexpr Square highest() const {
        return static_cast<Square>(high_ != 0 ? 127 - std::countl_zero(high_) : 63 - std::countl_zero(low_));
    }

    constexpr Bitboard operator&(const Bitboard &o) const { return {low_ & o.low_, high_ & o.high_}; }
    constexpr Bitboard operator|(const Bitboard &o) const { return {low_ | o.low_, high_ | o.high_}; }
    constexpr Bitboard operator^(const Bitboard &o) const { return {low_ ^ o.low_, high_ ^ o.high_}; }
    constexpr Bitboard operator~() const { return {~low_, ~high_}; }
    constexpr Bitboard &operator|=(const Bitboard &o) { return *this = *this | o; }
    constexpr bool operator==(const Bitboard &) const = default;

    // Calls `visit` with each square in ascending order: one word after the other, with fewer
    // tests per square than the iterator, for the attack maps' inner loops.
    template <typename Visit>
    constexpr void forEachSquare(Visit &&visit) const {
        for (std::uint64_t word = low_; word != 0; word &= word - 1)
            visit(static_cast<Square>(std::countr_zero(word)));
        for (std::uint64_t word = high_; word != 0; word &= word - 1)
            visit(static_cast<Square>(64 + std::countr_zero(word)));
    }

    // Walks the squares in ascending order.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Square;
        using difference_type = std::ptrdiff_t;
        using pointer = const Square *;
        using reference = Square;

        constexpr Iterator() = default;
        constexpr Iterator(std::uint64_t low, std::uint64_t high) : low_(low), high_(high) {}
        constexpr Square operator*() const {
            return static_cast<Square>(low_ != 0 ? std::countr_zero(low_) : 64 + std::countr_zero(high_));
        }
        constexpr Iterator &operator++() {
            if (low_ != 0)
                low_ &= low_ - 1;
            else
                high_ &= high_ - 1;
            return *this;
        }
        constexpr Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        constexpr bool operator==(const Iterator &) const = default;

    private:
        std::uint64_t low_ = 0, high_ = 0;
    };
    constexpr Iterator begin() const { return {low_, high_}; }
    constexpr Iterator end() const { return {0, 0}; }

private:
    static constexpr std::uint64_t HIGH_MASK = (std::uint64_t{1} << (SQUARE_COUNT - 64)) - 1;

    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
};

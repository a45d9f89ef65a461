#pragma once
// A short list of squares with room for the most squares one piece can reach (a dragon or a horse: 20).

#include <array>
#include <cstdint>

#include "core/types.h"

class SquareList {
public:
    static constexpr int CAPACITY = 20;

    // Appends a square; a full list ignores it (no piece reaches more squares than the capacity).
    void push_back(Square square) {
        if (count_ < CAPACITY) items_[count_++] = square;
    }
    void clear() { count_ = 0; }
    int size() const { return count_; }
    bool empty() const { return count_ == 0; }
    Square operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }
    const Square *begin() const { return items_.data(); }
    const Square *end() const { return items_.data() + count_; }
    bool contains(Square square) const {
        for (Square s : *this)
            if (s == square) return true;
        return false;
    }

    // Replaces the `count` items from `first` on by `replacement`, keeping the rest in order.
    void replace(int first, int count, const SquareList &replacement) {
        SquareList result;
        for (int i = 0; i < first; ++i) result.push_back(items_[static_cast<std::size_t>(i)]);
        for (Square s : replacement) result.push_back(s);
        for (int i = first + count; i < count_; ++i) result.push_back(items_[static_cast<std::size_t>(i)]);
        *this = result;
    }

private:
    std::array<Square, CAPACITY> items_{};
    std::uint8_t count_ = 0;
};

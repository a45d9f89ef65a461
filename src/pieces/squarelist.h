#pragma once
// A short list of squares with room for the most squares one piece can reach (a dragon or a horse: 20).

#include <array>
#include <cstdint>
#include <cstring>

#include "support/types.h"

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
        const int tail = count_ - first - count;
        const int grown = first + replacement.count_ + tail;
        if (first < 0 || count < 0 || tail < 0 || grown > CAPACITY) return;
        std::memmove(items_.data() + first + replacement.count_, items_.data() + first + count,
                     static_cast<std::size_t>(tail));
        std::memcpy(items_.data() + first, replacement.items_.data(), replacement.count_);
        count_ = static_cast<std::uint8_t>(grown);
    }

private:
    std::array<Square, CAPACITY> items_{};
    std::uint8_t count_ = 0;
};
